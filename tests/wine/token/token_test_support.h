// Helpers of the token tests under Wine: the RegisteredTokens key, a software
// token registered under a name, and boxes answered one at a time.
#pragma once
#include <windows.h>

#include <string>

#include "robot.h"
#include "soft_token_fixture.h"

void ClearRegisteredTokens();
void RegisterRaw(const std::string &name, DWORD type, const void *data, DWORD size);
void RegisterToken(const std::string &name, const std::string &path);
std::string RegisteredValue(const std::string &name);  // "<none>" when absent

// A software token folder with one library "tok" registered as "Soft".
struct RegisteredSoftToken {
  SoftTokenFolder folder;
  std::string library = folder.Library("tok");
  RegisteredSoftToken(const std::string &config);
  void Configure(const std::string &config) { folder.Configure("tok", config); }
};

// Waits for the next box with the caption, reads it and presses button.
robot::Box AnswerBox(int button, const char *caption = "Kovara");
