#pragma once
// CStyleEditorHelper: the X-ray and back-edges switches of the current model's display
// settings as the view commands use them. The two are never on together: switching one on
// switches the other off. Without a current model the switches read off, faces read as shown,
// and setting does nothing.

class CRenderingOptions;

class CStyleEditorHelper {
public:
    virtual ~CStyleEditorHelper() = default;

    bool GetXRay() const;
    void SetXRay(bool on);
    bool GetBackEdges() const;
    void SetBackEdges(bool on);
    // False only in wireframe, where there are no faces to see through.
    bool HasFaces() const;

private:
    static CRenderingOptions* CurrentOptions();
};
