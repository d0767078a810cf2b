#include "shell/process_state.h"

ProcessState g_process = {};
