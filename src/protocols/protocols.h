#pragma once
// What the protocols set up once in every program that writes or shows them
// (the program, its tools, the tests): the protocol texts in the text
// registry and the rotor's protocol writer.

// Registers the protocol texts (group textid::kProtocolTextsGroup) and sets
// the writer that Rotor::makeReport calls.  Call it on the main thread before
// the first text lookup; a second call changes nothing.
void registerProtocols();
