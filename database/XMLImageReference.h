#pragma once
// Images in the XML form of materials, textures and watermark lists: an image is written as
// a file in the reference folder of the current document persister and referred to by an
// element with the attributes "id" (the persister's number of the image) and "path" (the
// file's name in that folder). An image list is the element <namespace>:images of the calling
// class's namespace holding one such reference named <namespace>:image.

#include <string>

#include "database/Dib.h"

namespace orbisk {
class IXMLInput;
class IXMLOutput;
class XMLSerializableClassInfo;
}  // namespace orbisk

// The first reference to an image within a save writes its file; later ones repeat its id and
// name. False, with an empty element, when there is no current persister or no image.
bool WriteImageRefXML(orbisk::IXMLOutput& output, const std::wstring& elementName, CDib* image,
                      const std::wstring& fileNameHint);
// A hold on the image recorded in the current persister for the id; otherwise on the image
// loaded from the persister's file of that id, then recorded. None when neither gives one. The
// caller keeps the image by taking a hold of its own before this one goes.
CDibRef ReadImageRefXML(orbisk::IXMLInput& input);

bool WriteImageListXML(orbisk::IXMLOutput& output, const orbisk::XMLSerializableClassInfo& classInfo,
                       CDib* image, const std::wstring& fileNameHint);
// None when either element is missing.
CDibRef ReadImageListXML(orbisk::IXMLInput& input, const orbisk::XMLSerializableClassInfo& classInfo);
