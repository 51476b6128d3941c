#pragma once

// The five LED calls the program makes. Each forwards to the LED backend installed at start
// (see led/ledbackend.h). Colours are percentages 0-100 per channel.

// Connects to the lighting service; true when keyboards can be lit.
bool LogiLedInit();
// Writes what the service reports of itself; the caller sets all three to 0 first.
bool LogiLedGetSdkVersion(int* majorNum, int* minorNum, int* buildNum);
// Sets the light of the key with this USB HID usage (keyboard page).
bool LogiLedSetLightingForKeyWithHidCode(int keyCode, int redPercentage, int greenPercentage,
                                         int bluePercentage);
// Sets a light that has no HID usage: G1-G9 are 0xFFF1-0xFFF9, the logo 0xFFFF1, the badge 0xFFFF2.
bool LogiLedSetLightingForKeyWithKeyName(unsigned int keyName, int redPercentage,
                                         int greenPercentage, int bluePercentage);
// Hands the keyboards back and closes the connection.
void LogiLedShutdown();
