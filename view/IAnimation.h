#pragma once
// IAnimation: what a model view steps once per frame until it reports that it is done (camera
// and scene transitions, the slideshow, the border autopan). A view runs at most one.

class IZphView;

class IAnimation {
public:
    virtual ~IAnimation() = default;
    // One frame; false when the animation is finished.
    virtual bool Step(IZphView* view) = 0;
    // Jumps to the end state.
    virtual void Finish() = 0;
    virtual void Pause(bool pause) = 0;
    // Releases the animation: deletes it, unless its owner is someone else.
    virtual void Delete() = 0;
};
