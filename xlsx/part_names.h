// Part names of an OPC package ("/xl/workbook.xml"): their forms, their
// comparison, and relationship targets resolved against them.
#pragma once

#include "celvo/text.h"

namespace celvo {

// Every "\" becomes "/"; a name that is not empty gets a leading "/".
void normalizePartName(u16string& name);
// The one form of a part name, for the name of a package entry and for an
// Override alike: "\" is a separator as "/" is, "." and ".." segments are
// folded and empty ones dropped, and the name begins with "/"
// ("xl\\sharedStrings.xml", "/xl//sharedStrings.xml" and
// "xl/./sharedStrings.xml" are all "/xl/sharedStrings.xml"). A name of no
// segment gives "/", which names no part. It is the form the package is
// saved in, so a name read, saved and read again stays the same.
u16string canonicalPartName(u16view name);
// What follows the last "." ("png" for "/xl/media/image1.png"); empty when
// there is no "." or nothing follows it.
u16string partExtension(u16view name);
// At the last "/": the folder before it and the file name after it. Both are
// left as they were when the name holds no "/".
void splitPartName(u16view name, u16string& folder, u16string& file);
// The folder of a part ("/xl" for "/xl/workbook.xml"); empty without "/".
u16string partDirectory(u16view name);

// Part names compare without regard to the case of ASCII letters (folded to
// lower case, never through the process locale); the order of the part map
// and of the saved package follows this comparison.
int comparePartNames(u16view a, u16view b) noexcept;
inline bool samePartName(u16view a, u16view b) noexcept
{
    return a.size() == b.size() && comparePartNames(a, b) == 0;
}
struct PartNameLess {
    using is_transparent = void;
    bool operator()(u16view a, u16view b) const noexcept { return comparePartNames(a, b) < 0; }
};

// The part that a relationship target names, seen from its source part: an
// absolute target ("/xl/styles.xml") stands as it is, a relative one is
// joined to the source's folder; "\" separates segments as "/" does, "."
// and ".." segments are folded (".." at the top stays at the top) and empty
// segments dropped. The package's own
// relationships have the source "/" (or an empty one).
u16string resolveTarget(u16view sourcePart, u16view target);
// The relative target by which sourcePart names part: "worksheets/sheet1.xml"
// from "/xl/workbook.xml", "../media/image1.png" from a sheet.
u16string relativeTarget(u16view sourcePart, u16view part);
// The relationships part of a part: "/xl/_rels/workbook.xml.rels" for
// "/xl/workbook.xml"; "/_rels/.rels" for the package ("/" or empty).
u16string relsPartName(u16view partName);

}  // namespace celvo
