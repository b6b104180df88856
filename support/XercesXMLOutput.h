#pragma once
// The XML writer over Xerces-C: the document is built as a DOM tree in memory and
// serialised in one piece (UTF-8 with an XML declaration, indented), into the output
// stream or file when the writer is released, or on demand by GetText.
//
// Every writer initialises the Xerces platform when it is created and terminates it
// when it is released; Xerces counts these, so writers may overlap.
//
// The root's namespace is declared on the root under the given prefix (an empty prefix
// declares the default namespace), so that a namespace-aware reader finds every
// element in the namespace it was written in. An operation given an invalid XML name
// does nothing (BeginElement returns false).

#include "support/XMLOutput.h"

#include <iosfwd>
#include <string>

namespace orbisk {

// A writer whose document has the root `rootName`, in `namespaceURI` (none when empty)
// with `prefix`; its document goes to `stream` (which may be null) at release. Null
// when the platform cannot start or the root name is invalid.
IXMLOutput* CreateXercesXMLOutput(std::ostream* stream, const std::wstring& rootName,
                                  const std::wstring& namespaceURI, const std::wstring& prefix);
// The same, writing the document to the file `fileName` at release.
IXMLOutput* CreateXercesXMLFileOutput(const std::wstring& fileName, const std::wstring& rootName,
                                      const std::wstring& namespaceURI, const std::wstring& prefix);

// Serialises the writer's document into its stream or file, deletes the writer, sets
// the pointer to null and terminates the platform once. True when the document reached
// its target (the stream is flushed and still good); a failure to write the file is
// also described in the debug trace. A null pointer does nothing and gives true.
bool ReleaseXercesXMLOutput(IXMLOutput*& writer);

}  // namespace orbisk
