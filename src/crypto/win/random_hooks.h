// Mouse and keyboard hook procedures of the random pool, installed by
// RandomStart for the thread that started the pool.
#pragma once
#include <windows.h>

LRESULT CALLBACK RandomMouseHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK RandomKeyboardHook(int code, WPARAM wParam, LPARAM lParam);
