#pragma once
// Printing and saving the protocol of a rotor from the History list.
//
// The operator answers the prompts of the message box on the on-screen
// keyboard: the document number and the customer's name, and for a control
// rotor the test expert's name, the test company and the test location.  Each
// answer is stored in the rotor (and recorded in its history file) before the
// next prompt reads its own field.  After the last answer the rotor writes
// "tmp.pdf" in the working directory, which is then printed (`lp`) or copied
// to the removable drive's "kestrune/protocols/"; the interface waits for it.
//
// The flow ends after the last step, on Back or Escape at a prompt, on Home,
// and when another box takes the prompt's place; a temporary rotor is
// deleted then, the Gui's active rotor never.

#include <filesystem>
#include <string>

class Rotor;

// Starts the prompts for the protocol of `rotor`: printed when `print`, else
// saved to the removable drive; without a drive a save asks nothing and says
// "USB device not found!".  `rotor` is the Gui's active rotor or a temporary
// one loaded from a history file; a temporary rotor belongs to the flow from
// here on.
void protocolButtons(Rotor* rotor, bool print);

// Writes the protocol of `rotor` to "tmp.pdf" and prints it or copies it to
// the drive, and shows the outcome in the prompt box: nothing after a
// successful print, lp's first error line after a failed one.  The rotor
// stays the caller's.
void printProtocol(Rotor* rotor, bool print);

// "_YYYYMMDDhhmmss.pdf": the end of a protocol's file name on the drive
// (month 1-12, the year in full).
std::string protocolFileName(int year, int month, int day, int hour, int minute, int second);

// "tmp.pdf" in the current working directory.
std::filesystem::path tmpPdfPath();
