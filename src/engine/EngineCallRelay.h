#pragma once

#include <functional>

// The engine's rule for its render interface: the thread that draws the video
// must never wait for the engine while the engine waits for a frame to be
// drawn. The player draws on the GUI thread, which also asks the engine many
// things synchronously; when one of those questions met a new video output or
// a frame being shown, both sides waited until the engine gave up after
// 200 ms, freezing the window and delaying the first picture.
//
// Once the drawing thread has installed its drawing step, its blocking calls
// run on a helper thread while it keeps drawing; other threads, and every
// thread before any video is drawn, call the engine directly.
class EngineCallRelay
{
public:
    // Installs the drawing step of the calling thread for its owner, in place
    // of any other; clearing removes it if that owner's step is the one in use.
    static void setDrawingStep(const void *owner, std::function<void()> step);
    static void clearDrawingStep(const void *owner);
    // Runs one blocking engine call, as described above.
    static void run(const std::function<void()> &call);
};
