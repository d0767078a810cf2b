// The size of every file and folder path buffer of the product: the system's
// longest path (260 characters) and its terminating NUL.
#pragma once

enum { kPathSize = 261 };
