// The state every open and log-in test starts from and leaves behind: an idle
// stand-in driver, a cleared process state whose program folder is the test's
// scratch folder, and no open vault recorded in the registry. Also the main
// window on its own thread, which the robot is told to leave alone.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "key_fixture.h"
#include "main_window_thread.h"
#include "robot.h"

// Releases every vault of the driver, clears the process and open-vault
// state and sets the program folder.
void StartFromIdleDriver(const ScratchFolder &folder);
// Releases every vault of the driver and clears the open-vault record.
void LeaveIdleDriver();

// Starts the main window with the caption; the answerer leaves it alone.
std::unique_ptr<MainWindowThread> StartMainWindow(robot::Answerer &answerer, const char *caption);

// The texts of the boxes the answerer has seen, from box number `first` on.
std::vector<std::string> BoxTextsFrom(robot::Answerer &answerer, size_t first);
