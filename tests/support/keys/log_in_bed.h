// The state every open and log-in test starts from and leaves behind: an idle
// stand-in driver, a cleared process state whose program folder is the test's
// scratch folder, and no open vault recorded in the registry. Also the
// program's main window, which the robot is told to leave alone.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "key_fixture.h"
#include "main_window_under_test.h"
#include "robot.h"

// Releases every vault of the driver, clears the process and open-vault
// state and sets the program folder.
void StartFromIdleDriver(const ScratchFolder &folder);
// Releases every vault of the driver and clears the open-vault record.
void LeaveIdleDriver();

// Shows the main window; the answerer leaves it alone.
std::unique_ptr<MainWindowUnderTest> StartMainWindow(robot::Answerer &answerer);
