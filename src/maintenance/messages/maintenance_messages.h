// The boxes of the maintenance operations' outcomes, texts as the user sees them.
#pragma once
#include <windows.h>

#include "maintenance/messages/maintenance_outcome.h"
#include "shell/ui/outcome_box.h"

OutcomeBox MaintenanceOutcomeBox(const MaintenanceResult &result);
void ShowMaintenanceOutcome(HWND owner, const MaintenanceResult &result);
