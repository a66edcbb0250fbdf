#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "memo/MemoPackage.h"

namespace memo {

// Memos as W3C Web Annotation Data Model JSON-LD, for annotation tools other than ours.
// Each memo is one Annotation: the page as the target's source, the memo's rectangle as a
// media-fragment "xywh" selector (strokes and shapes also as an SVG selector), a text box's
// text as a textual body, the author and time as creator, created and modified, and the
// memo's GUID as its "urn:uuid:" id.

// Model text is Shift_JIS and JSON is UTF-8: the caller converts (the library has no codec).
struct AnnotationTextCodec {
    std::function<std::string(std::string_view)> to_utf8;
    std::function<std::string(std::string_view)> from_utf8;
};

// An AnnotationPage holding one Annotation per memo of the packages, in list order.
std::string to_web_annotations(const std::vector<const MemoPackage*>& packages, const AnnotationTextCodec& codec);

struct AnnotationImport {
    bool is_json = false;
    // One package per page the annotations target, in the order first met.
    std::vector<std::unique_ptr<MemoPackage>> packages;
    // One line per annotation, or part of one, that could not be made a memo.
    std::vector<std::string> not_mapped;
};

// Reads an Annotation, an array of them, an AnnotationPage or an AnnotationCollection with
// its first page embedded. Textual bodies become text boxes, SVG paths strokes, SVG
// rectangles and ellipses and bare rectangles shapes; ids and times are kept.
AnnotationImport from_web_annotations(std::string_view json, const AnnotationTextCodec& codec);

} // namespace memo
