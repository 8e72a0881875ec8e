// The plain program's OpenGL context, beside the one current when it is made, so that the two
// programs never share state: on the desktop an EGL context on the same display and
// configuration, in the browser a WebGL 2 context on a canvas of its own (#bare).
#pragma once

#include <cstdint>

class SideContext {
public:
    SideContext();
    ~SideContext();
    SideContext(const SideContext&) = delete;
    SideContext& operator=(const SideContext&) = delete;

    bool Made() const { return made; }

    // Makes it current for the object's life, and what was current before again after.
    class Inside {
    public:
        explicit Inside(const SideContext& side);
        ~Inside();

    private:
        const SideContext& side;
        intptr_t previous;
    };

private:
    bool made = false;
    intptr_t handle = 0;
};

// Waits until the current context has done everything issued to it. In the browser glFinish
// only flushes (Chromium's WebGL finish is a flush), so there a one-pixel read makes the wait.
void FinishGlWork();
