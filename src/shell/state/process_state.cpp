#include "shell/state/process_state.h"

ProcessState g_process = {};
