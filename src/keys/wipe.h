// Overwrites key material so that the compiler cannot drop the stores.
#pragma once
#include <stddef.h>

void WipeBytes(void *buffer, size_t length);
