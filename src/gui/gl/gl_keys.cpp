#include "gui/gl/gl_keys.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "gui/key_queue.h"

namespace {
KeyQueue* g_queue = nullptr;
GLFWkeyfun g_previous = nullptr;

void onKey(GLFWwindow* window, int key, int scancode, int action, int mods) {
    if (g_queue)
        if (const auto k = guiKeyFromGlfw(key, action, mods)) g_queue->push(*k);
    if (g_previous) g_previous(window, key, scancode, action, mods);
}
}  // namespace

void installKeyQueue(GLFWwindow* window, KeyQueue* queue) {
    g_queue = queue;
    g_previous = glfwSetKeyCallback(window, onKey);
}
