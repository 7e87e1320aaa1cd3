#pragma once
// What the protocols set up once in every program that writes or shows them
// (the program, its tools, the tests): the protocol texts in the text
// registry.

// Registers the protocol texts (group textid::kProtocolTextsGroup).  Call it on
// the main thread before the first text lookup; a second call changes nothing.
void registerProtocols();
