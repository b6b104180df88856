#pragma once

// Root of the codec class tree: bitmaps, decoders, encoders, sources, sinks and filters.
class PLObject {
public:
    virtual ~PLObject() = default;
    virtual void Validate() const {}
};
