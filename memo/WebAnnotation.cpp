#include "memo/WebAnnotation.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include <nlohmann/json.hpp>

#include "memo/Limits.h"
#include "memo/MemoObject.h"

namespace memo {
namespace {

using nlohmann::json;

constexpr const char* kContext = "http://www.w3.org/ns/anno.jsonld";
constexpr const char* kMediaFragments = "http://www.w3.org/TR/media-frags/";
constexpr const char* kUuidScheme = "urn:uuid:";
// A file from elsewhere may hold anything: what one import takes at most.
constexpr std::size_t kMaxAnnotations = 100000;
constexpr std::size_t kMaxPathPoints = 100000;

// ---- writing ----

std::string iso_time(Time64 t)
{
    const std::time_t seconds = std::time_t(t);
    std::tm tm{};
    char text[32];
    if (!gmtime_r(&seconds, &tm) || !std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm))
        return {};
    return text;
}

std::string colour_text(Colour c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", red_of(c), green_of(c), blue_of(c));
    return text;
}

std::string uuid_of(const Guid& id)
{
    std::string text = id.to_string();  // "{XXXXXXXX-...}"
    text = text.substr(1, text.size() - 2);
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return kUuidScheme + text;
}

std::string n(std::int64_t v)
{
    return std::to_string(v);
}

std::string svg_of(const std::string& element)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\">" + element + "</svg>";
}

// The SVG of what can be said in SVG: a stroke's path, a rectangle or an ellipse.
std::string svg_selector_value(const MemoObject& object)
{
    if (const auto* stroke = dynamic_cast<const StrokeObject*>(&object)) {
        std::string d;
        for (const Point& p : stroke->points)
            d += (d.empty() ? "M" : " L") + n(p.x) + "," + n(p.y);
        if (d.empty())
            return {};
        return svg_of("<path d=\"" + d + "\" fill=\"none\" stroke=\"" + colour_text(stroke->colour) +
                      "\" stroke-width=\"" + n(stroke->width) + "\"/>");
    }
    if (const auto* shape = dynamic_cast<const PrimitiveObject*>(&object)) {
        const Rect r = shape->rect.normalized();
        const std::string paint = " fill=\"" + colour_text(shape->fill_colour) + "\" stroke=\"" +
                                  colour_text(shape->border_colour) + "\" stroke-width=\"" +
                                  n(shape->border_width) + "\"/>";
        switch (shape->shape) {
        case 0:
        case 2:
            return svg_of("<rect x=\"" + n(r.left) + "\" y=\"" + n(r.top) + "\" width=\"" + n(r.width()) +
                          "\" height=\"" + n(r.height()) + "\"" + (shape->shape == 2 ? " rx=\"8\"" : "") + paint);
        case 1:
            return svg_of("<ellipse cx=\"" + n((std::int64_t(r.left) + r.right) / 2) + "\" cy=\"" +
                          n((std::int64_t(r.top) + r.bottom) / 2) + "\" rx=\"" + n(r.width() / 2) + "\" ry=\"" +
                          n(r.height() / 2) + "\"" + paint);
        }
    }
    return {};
}

const char* motivation_of(MemoKind kind)
{
    switch (kind) {
    case MemoKind::TextBox: return "commenting";
    case MemoKind::Stamp: return "tagging";
    default: return "highlighting";
    }
}

json annotation_of(const MemoObject& object, const std::string& source, const AnnotationTextCodec& codec)
{
    const Rect r = object.bounds().normalized();
    json selectors = json::array();
    selectors.push_back({{"type", "FragmentSelector"},
                         {"conformsTo", kMediaFragments},
                         {"value", "xywh=pixel:" + n(r.left) + "," + n(r.top) + "," + n(r.width()) + "," + n(r.height())}});
    if (const std::string svg = svg_selector_value(object); !svg.empty())
        selectors.push_back({{"type", "SvgSelector"}, {"value", svg}});

    json annotation = {{"id", uuid_of(object.id)},
                       {"type", "Annotation"},
                       {"motivation", motivation_of(object.kind())},
                       {"target", {{"source", source}, {"selector", selectors}}}};
    if (!object.owner.empty())
        annotation["creator"] = {{"type", "Person"}, {"name", codec.to_utf8(object.owner)}};
    if (object.time != never_time()) {
        const std::string when = iso_time(object.time);
        annotation["created"] = when;
        annotation["modified"] = when;
    }
    if (const auto* box = dynamic_cast<const TextBoxObject*>(&object))
        annotation["body"] = {{"type", "TextualBody"}, {"value", codec.to_utf8(box->text)}, {"format", "text/plain"}};
    return annotation;
}

// ---- reading ----

std::optional<Time64> parse_time(const std::string& text)
{
    std::tm tm{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &consumed) != 6)
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    std::int64_t seconds = timegm(&tm);
    // Fractions of a second are dropped; an offset other than Z moves the time to UTC.
    std::string_view rest = std::string_view(text).substr(std::size_t(consumed));
    while (!rest.empty() && (rest.front() == '.' || std::isdigit(static_cast<unsigned char>(rest.front()))))
        rest.remove_prefix(1);
    int hours = 0, minutes = 0;
    if (rest.size() >= 6 && (rest[0] == '+' || rest[0] == '-') &&
        std::sscanf(std::string(rest.substr(1)).c_str(), "%2d:%2d", &hours, &minutes) == 2)
        seconds -= (rest[0] == '+' ? 1 : -1) * (hours * 3600 + minutes * 60);
    return seconds;
}

// A member of an object, or null: never a copy, so lists of its parts stay valid.
const json& member(const json& object, const char* key)
{
    static const json none;
    if (!object.is_object())
        return none;
    const auto it = object.find(key);
    return it == object.end() ? none : *it;
}

std::string text_of(const json& value)
{
    return value.is_string() ? value.get<std::string>() : std::string();
}

// A list whatever the JSON said: one value or an array of them.
std::vector<const json*> list_of(const json& value)
{
    std::vector<const json*> out;
    if (value.is_array())
        for (const json& item : value)
            out.push_back(&item);
    else if (!value.is_null())
        out.push_back(&value);
    return out;
}

// Numbers of a text in order, whatever separates them ("10,20 30-40" gives 10 20 30 -40).
std::vector<double> numbers_in(std::string_view text)
{
    std::vector<double> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
            double v = 0;
            const char* first = text.data() + i + (c == '+' ? 1 : 0);
            const auto [end, error] = std::from_chars(first, text.data() + text.size(), v);
            if (error != std::errc() || end == first) {
                ++i;
                continue;
            }
            out.push_back(v);
            i = std::size_t(end - text.data());
        } else {
            ++i;
        }
    }
    return out;
}

std::int32_t coordinate(double v)
{
    if (!std::isfinite(v))
        return 0;
    return std::int32_t(std::lround(std::clamp(v, -1.0e9, 1.0e9)));
}

// The value of a named attribute in the first element with this name, or nothing.
std::optional<std::string> svg_attribute(std::string_view svg, std::string_view element, std::string_view name)
{
    const std::size_t start = svg.find("<" + std::string(element));
    if (start == std::string_view::npos)
        return std::nullopt;
    const std::string_view tag = svg.substr(start, svg.find('>', start) - start);
    for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        const bool whole = at > 0 && std::isspace(static_cast<unsigned char>(tag[at - 1]));
        std::size_t eq = at + name.size();
        while (eq < tag.size() && std::isspace(static_cast<unsigned char>(tag[eq])))
            ++eq;
        if (!whole || eq >= tag.size() || tag[eq] != '=')
            continue;
        std::size_t quote = eq + 1;
        while (quote < tag.size() && std::isspace(static_cast<unsigned char>(tag[quote])))
            ++quote;
        if (quote >= tag.size() || (tag[quote] != '"' && tag[quote] != '\''))
            return std::nullopt;
        const std::size_t end = tag.find(tag[quote], quote + 1);
        if (end == std::string_view::npos)
            return std::nullopt;
        return std::string(tag.substr(quote + 1, end - quote - 1));
    }
    return std::nullopt;
}

std::optional<Colour> colour_from(const std::optional<std::string>& text)
{
    if (!text || text->size() != 7 || (*text)[0] != '#')
        return std::nullopt;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text->data() + 1, text->data() + 7, value, 16);
    if (error != std::errc() || end != text->data() + 7)
        return std::nullopt;
    return rgb(int(value >> 16), int(value >> 8), int(value));
}

double number_or(const std::optional<std::string>& text, double fallback)
{
    if (!text)
        return fallback;
    const std::vector<double> values = numbers_in(*text);
    return values.empty() ? fallback : values.front();
}

// A path of straight lines (M, L, H, V and Z, absolute or relative) as points; curves and
// arcs cannot be drawn by a stroke, so a path holding them is not taken.
std::optional<std::vector<Point>> path_points(std::string_view d, std::string& why)
{
    std::vector<Point> points;
    double x = 0, y = 0;
    char command = 0;
    std::size_t i = 0;
    while (i < d.size()) {
        const char c = d[i];
        if (std::isalpha(static_cast<unsigned char>(c))) {
            if (std::string_view("MmLlHhVvZz").find(c) == std::string_view::npos) {
                why = std::string("path command ") + c + " (curves and arcs are not strokes)";
                return std::nullopt;
            }
            command = c;
            ++i;
            if (c == 'Z' || c == 'z') {
                if (!points.empty())
                    points.push_back(points.front());
                command = 0;
            }
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-' && c != '+' && c != '.') {
            ++i;
            continue;
        }
        const int wanted = (command == 'H' || command == 'h' || command == 'V' || command == 'v') ? 1 : 2;
        double v[2] = {0, 0};
        for (int k = 0; k < wanted; ++k) {
            while (i < d.size() && (std::isspace(static_cast<unsigned char>(d[i])) || d[i] == ','))
                ++i;
            const char* first = d.data() + i + (i < d.size() && d[i] == '+' ? 1 : 0);
            const auto [end, error] = std::from_chars(first, d.data() + d.size(), v[k]);
            if (error != std::errc() || end == first) {
                why = "path data that is not numbers";
                return std::nullopt;
            }
            i = std::size_t(end - d.data());
        }
        switch (command) {
        case 'M': case 'L': x = v[0]; y = v[1]; break;
        case 'm': case 'l': x += v[0]; y += v[1]; break;
        case 'H': x = v[0]; break;
        case 'h': x += v[0]; break;
        case 'V': y = v[0]; break;
        case 'v': y += v[0]; break;
        default:
            why = "path data before a command";
            return std::nullopt;
        }
        // After a move, further pairs are lines.
        if (command == 'M')
            command = 'L';
        else if (command == 'm')
            command = 'l';
        if (points.size() >= kMaxPathPoints) {
            why = "a path of more than " + std::to_string(kMaxPathPoints) + " points";
            return std::nullopt;
        }
        points.push_back({coordinate(x), coordinate(y)});
    }
    if (points.empty()) {
        why = "an empty path";
        return std::nullopt;
    }
    return points;
}

std::unique_ptr<MemoObject> shape_from_svg(std::string_view svg, std::string& why)
{
    std::string note;
    const auto paint = [&](PrimitiveObject& shape, std::string_view element) {
        if (auto fill = colour_from(svg_attribute(svg, element, "fill")))
            shape.fill_colour = *fill;
        if (auto stroke = colour_from(svg_attribute(svg, element, "stroke")))
            shape.border_colour = *stroke;
        shape.border_width = limits::pen_width(
            coordinate(number_or(svg_attribute(svg, element, "stroke-width"), shape.border_width)), "border", note);
    };
    if (svg.find("<path") != std::string_view::npos) {
        const std::optional<std::string> d = svg_attribute(svg, "path", "d");
        if (!d) {
            why = "an SVG path without data";
            return nullptr;
        }
        std::optional<std::vector<Point>> points = path_points(*d, why);
        if (!points)
            return nullptr;
        auto stroke = std::make_unique<StrokeObject>();
        stroke->points = std::move(*points);
        stroke->colour = colour_from(svg_attribute(svg, "path", "stroke")).value_or(rgb(255, 0, 0));
        stroke->width =
            limits::pen_width(coordinate(number_or(svg_attribute(svg, "path", "stroke-width"), 3)), "stroke", note);
        return stroke;
    }
    if (svg.find("<rect") != std::string_view::npos) {
        auto shape = std::make_unique<PrimitiveObject>();
        const int x = coordinate(number_or(svg_attribute(svg, "rect", "x"), 0));
        const int y = coordinate(number_or(svg_attribute(svg, "rect", "y"), 0));
        const int w = coordinate(number_or(svg_attribute(svg, "rect", "width"), 0));
        const int h = coordinate(number_or(svg_attribute(svg, "rect", "height"), 0));
        shape->rect = limits::rect({x, y, x + w, y + h}, "rectangle", note);
        shape->shape = svg_attribute(svg, "rect", "rx") ? 2 : 0;
        paint(*shape, "rect");
        return shape;
    }
    for (const char* element : {"ellipse", "circle"}) {
        if (svg.find(std::string("<") + element) == std::string_view::npos)
            continue;
        auto shape = std::make_unique<PrimitiveObject>();
        const double cx = number_or(svg_attribute(svg, element, "cx"), 0);
        const double cy = number_or(svg_attribute(svg, element, "cy"), 0);
        const double r = number_or(svg_attribute(svg, element, "r"), 0);
        const double rx = number_or(svg_attribute(svg, element, "rx"), r);
        const double ry = number_or(svg_attribute(svg, element, "ry"), r);
        shape->rect = limits::rect({coordinate(cx - rx), coordinate(cy - ry), coordinate(cx + rx), coordinate(cy + ry)},
                                   "ellipse", note);
        shape->shape = 1;
        paint(*shape, element);
        return shape;
    }
    why = "an SVG selector without a path, rectangle or ellipse";
    return nullptr;
}

// "xywh=pixel:10,20,30,40" or "xywh=10,20,30,40"; percentages cannot be placed.
std::optional<Rect> fragment_rect(const std::string& value)
{
    std::string_view text = value;
    if (text.substr(0, 5) != "xywh=")
        return std::nullopt;
    text.remove_prefix(5);
    if (text.substr(0, 6) == "pixel:")
        text.remove_prefix(6);
    else if (text.find(':') != std::string_view::npos)
        return std::nullopt;
    const std::vector<double> v = numbers_in(text);
    if (v.size() != 4)
        return std::nullopt;
    const int x = coordinate(v[0]), y = coordinate(v[1]);
    std::string note;
    return limits::rect({x, y, coordinate(x + v[2]), coordinate(y + v[3])}, "rectangle", note);
}

struct Target {
    std::string source;
    std::optional<Rect> rect;
    std::string svg;
};

Target target_of(const json& annotation)
{
    Target target;
    for (const json* t : list_of(member(annotation, "target"))) {
        if (t->is_string()) {
            if (target.source.empty())
                target.source = t->get<std::string>();
            continue;
        }
        if (!t->is_object())
            continue;
        if (target.source.empty())
            target.source = text_of(member(*t, "source"));
        for (const json* s : list_of(member(*t, "selector"))) {
            if (!s->is_object())
                continue;
            const std::string type = text_of(member(*s, "type"));
            const std::string value = text_of(member(*s, "value"));
            if (type == "FragmentSelector" && !target.rect)
                target.rect = fragment_rect(value);
            else if (type == "SvgSelector" && target.svg.empty())
                target.svg = value;
        }
    }
    return target;
}

std::optional<std::string> body_text(const json& annotation)
{
    if (const json& value = member(annotation, "bodyValue"); value.is_string())
        return value.get<std::string>();
    for (const json* b : list_of(member(annotation, "body")))
        if (b->is_object() && text_of(member(*b, "type")) == "TextualBody" && b->contains("value"))
            return text_of(member(*b, "value"));
    return std::nullopt;
}

std::string name_of(const json& annotation)
{
    const json& creator = member(annotation, "creator");
    for (const json* c : list_of(creator)) {
        if (c->is_string())
            return c->get<std::string>();
        if (c->is_object())
            for (const char* key : {"name", "nickname"})
                if (const std::string name = text_of(member(*c, key)); !name.empty())
                    return name;
    }
    return {};
}

std::vector<const json*> annotations_in(const json& document)
{
    if (document.is_array())
        return list_of(document);
    if (!document.is_object())
        return {};
    const std::string type = text_of(member(document, "type"));
    if (type == "AnnotationPage")
        return list_of(member(document, "items"));
    if (type == "AnnotationCollection" && member(document, "first").is_object())
        return list_of(member(member(document, "first"), "items"));
    return {&document};
}

} // namespace

std::string to_web_annotations(const std::vector<const MemoPackage*>& packages, const AnnotationTextCodec& codec)
{
    json items = json::array();
    for (const MemoPackage* package : packages) {
        const std::string source = codec.to_utf8(package->url);
        for (std::size_t i = 0; i < package->size(); ++i)
            items.push_back(annotation_of(package->at(i), source, codec));
    }
    const json page = {{"@context", kContext}, {"type", "AnnotationPage"}, {"items", std::move(items)}};
    return page.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

AnnotationImport from_web_annotations(std::string_view text, const AnnotationTextCodec& codec)
{
    AnnotationImport result;
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded())
        return result;
    result.is_json = true;
    const std::vector<const json*> annotations = annotations_in(document);
    const auto package_of = [&result](const std::string& url) -> MemoPackage& {
        for (const auto& p : result.packages)
            if (p->url == url)
                return *p;
        result.packages.push_back(std::make_unique<MemoPackage>());
        result.packages.back()->url = url;
        return *result.packages.back();
    };
    for (std::size_t i = 0; i < annotations.size(); ++i) {
        const json& a = *annotations[i];
        const std::string label = "annotation " + std::to_string(i + 1) +
                                  (member(a, "id").is_string() ? " (" + text_of(member(a, "id")) + ")" : std::string());
        if (i >= kMaxAnnotations) {
            result.not_mapped.push_back(std::to_string(annotations.size() - i) + " annotations beyond the first " +
                                        std::to_string(kMaxAnnotations));
            break;
        }
        if (!a.is_object()) {
            result.not_mapped.push_back(label + ": not an object");
            continue;
        }
        const Target target = target_of(a);
        if (target.source.empty()) {
            result.not_mapped.push_back(label + ": no target page");
            continue;
        }

        std::unique_ptr<MemoObject> object;
        std::string why;
        if (const std::optional<std::string> body = body_text(a)) {
            std::string note;
            std::optional<Rect> place = target.rect;
            if (!place && !target.svg.empty())
                if (auto shape = shape_from_svg(target.svg, note))
                    place = shape->bounds().normalized();
            if (!place) {
                why = "a text without a place on the page";
            } else {
                auto box = std::make_unique<TextBoxObject>();
                box->rect = *place;
                box->text = codec.from_utf8(*body);
                object = std::move(box);
            }
        } else if (!target.svg.empty()) {
            object = shape_from_svg(target.svg, why);
        } else if (target.rect) {
            auto shape = std::make_unique<PrimitiveObject>();
            shape->rect = *target.rect;
            object = std::move(shape);
        } else {
            why = "neither a text, an SVG shape nor a rectangle on the page";
        }
        if (!object) {
            result.not_mapped.push_back(label + ": " + why);
            continue;
        }
        MemoPackage& package = package_of(codec.from_utf8(target.source));
        const std::string id = text_of(member(a, "id"));
        if (id.rfind(kUuidScheme, 0) == 0)
            if (const std::optional<Guid> guid = Guid::from_string(std::string_view(id).substr(9)))
                object->id = *guid;
        if (object->id.is_unset() || package.find(object->id))
            object->id = Guid::create();
        for (const char* key : {"modified", "created"})
            if (const std::optional<Time64> when = parse_time(text_of(member(a, key)))) {
                object->time = *when;
                break;
            }
        object->owner = codec.from_utf8(name_of(a));
        package.add(std::move(object));
    }
    return result;
}

} // namespace memo
