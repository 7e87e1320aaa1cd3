#pragma once
// The program's GLFW key callback: queues the keys the interface acts on
// (gui/key_queue.h) and chains to the callback installed before it.
// Install it before the GUI backend installs its own, which then calls this
// one in turn, so both see every key.

struct GLFWwindow;
class KeyQueue;

void installKeyQueue(GLFWwindow* window, KeyQueue* queue);
