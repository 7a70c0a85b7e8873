#pragma once
#include <functional>

// The register images and the widgets belong to the application's (GUI)
// thread. The worker reaches them only through this: the work runs there,
// and the caller waits until it is done.
class GuiThread
{
public:
    // Runs `work` in the application's thread and returns when it has run;
    // runs it at once when called from that thread (or with no application).
    static void run(const std::function<void()> &work);
};
