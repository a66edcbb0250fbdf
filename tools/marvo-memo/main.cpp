// marvo-memo: looks into memo files (".ame") for people who handle them.
//
//   marvo-memo dump [--json] FILE.ame...
//   marvo-memo render FILE.ame -o OUT.png [--size WxH] [--background white|transparent]
//   marvo-memo check FILE.ame...
//   marvo-memo export --w3c FILE.ame [-o OUT.json]
//   marvo-memo import --w3c FILE.json -o OUT.ame
#include <QGuiApplication>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "memo/ImageCodec.h"
#include "memo/MemoPackage.h"
#include "memo/StampList.h"
#include "memo/WebAnnotation.h"
#include "memo/ui/QtCanvas.h"
#include "platform/Folders.h"
#include "platform/ShiftJis.h"
#include "rs2/DebugStream.h"
#include "rs2/FileStream.h"

using namespace memo;

namespace {

constexpr int kUsage = 2;
// import wrote its file but left out annotations it could not make memos of.
constexpr int kSomeNotImported = 3;

int usage()
{
    std::fputs("usage: marvo-memo dump [--json] FILE.ame...\n"
               "       marvo-memo render FILE.ame -o OUT.png [--size WxH] [--background white|transparent]\n"
               "       marvo-memo check FILE.ame...\n"
               "       marvo-memo export --w3c FILE.ame [-o OUT.json]\n"
               "       marvo-memo import --w3c FILE.json -o OUT.ame\n",
               stderr);
    return kUsage;
}

std::optional<std::string> read_file(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(file), {}};
    if (file.bad())
        return std::nullopt;
    return bytes;
}

// The packages of a memo file; false, and a line on standard error, when it cannot be read.
bool load_packages(const std::string& path, std::vector<std::unique_ptr<MemoPackage>>& packages)
{
    const auto bytes = read_file(path);
    if (!bytes) {
        std::fprintf(stderr, "%s: cannot read the file\n", path.c_str());
        return false;
    }
    try {
        packages = parse_memo_file(*bytes);
    } catch (const rs2::IOException& e) {
        std::fprintf(stderr, "%s: damaged: %s\n", path.c_str(), e.what());
        return false;
    }
    return true;
}

std::string utc(Time64 t)
{
    const std::time_t tt = std::time_t(t);
    std::tm tm{};
    char text[32];
    if (!gmtime_r(&tt, &tm) || !std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm))
        return "?";
    return text;
}

std::string json_string(const std::string& utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

// Model text is Shift_JIS; people read UTF-8.
std::string text(const std::string& sjis)
{
    return platform::sjis_to_utf8(sjis);
}

std::string rect_text(const Rect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string rect_json(const Rect& r)
{
    return "[" + rect_text(r) + "]";
}

std::string colour_text(Colour c)
{
    char s[16];
    std::snprintf(s, sizeof s, "#%02x%02x%02x", red_of(c), green_of(c), blue_of(c));
    return s;
}

// Kind-specific fields as (name, text value, json value) triples.
struct Field {
    std::string name, plain, json;
};

std::vector<Field> fields_of(const MemoObject& o)
{
    auto num = [](long long v) { return Field{"", std::to_string(v), std::to_string(v)}; };
    auto str = [](const std::string& utf8) { return Field{"", "\"" + utf8 + "\"", json_string(utf8)}; };
    auto col = [](Colour c) { return Field{"", colour_text(c), "\"" + colour_text(c) + "\""}; };
    auto named = [](std::string n, Field f) {
        f.name = std::move(n);
        return f;
    };
    std::vector<Field> out;
    switch (o.kind()) {
    case MemoKind::Stroke: {
        const auto& s = static_cast<const StrokeObject&>(o);
        std::string plain, json = "[";
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            plain += (i ? " " : "") + std::to_string(s.points[i].x) + "," + std::to_string(s.points[i].y);
            json += (i ? ",[" : "[") + std::to_string(s.points[i].x) + "," + std::to_string(s.points[i].y) + "]";
        }
        out.push_back({"points", plain, json + "]"});
        out.push_back(named("width", num(s.width)));
        out.push_back(named("type", num(s.type)));
        out.push_back(named("colour", col(s.colour)));
        out.push_back(named("border_colour", col(s.border_colour)));
        const char* arrows = s.arrow_start ? (s.arrow_end ? "start end" : "start") : (s.arrow_end ? "end" : "none");
        out.push_back({"arrows", arrows,
                       std::string("[") + (s.arrow_start ? "true" : "false") + "," + (s.arrow_end ? "true" : "false") + "]"});
        break;
    }
    case MemoKind::TextBox: {
        const auto& t = static_cast<const TextBoxObject&>(o);
        out.push_back({"rect", rect_text(t.rect), rect_json(t.rect)});
        out.push_back(named("text", str(text(t.text))));
        out.push_back(named("shape", num(t.shape)));
        out.push_back(named("font", str(text(t.font.face()) + " " + std::to_string(t.font.height))));
        out.push_back(named("text_colour", col(t.text_colour)));
        out.push_back(named("background_colour", col(t.background_colour)));
        out.push_back(named("opacity", num(t.opacity)));
        break;
    }
    case MemoKind::Stamp: {
        const auto& s = static_cast<const StampObject&>(o);
        out.push_back({"rect", rect_text(s.rect), rect_json(s.rect)});
        out.push_back(named("name", str(text(s.name))));
        break;
    }
    case MemoKind::Photo: {
        const auto& p = static_cast<const PhotoObject&>(o);
        out.push_back({"rect", rect_text(p.rect), rect_json(p.rect)});
        out.push_back({"image", std::to_string(p.image.width()) + "x" + std::to_string(p.image.height()),
                       "[" + std::to_string(p.image.width()) + "," + std::to_string(p.image.height()) + "]"});
        break;
    }
    case MemoKind::Primitive: {
        const auto& p = static_cast<const PrimitiveObject&>(o);
        out.push_back({"rect", rect_text(p.rect), rect_json(p.rect)});
        out.push_back(named("shape", num(p.shape)));
        out.push_back(named("border_width", num(p.border_width)));
        out.push_back(named("border_colour", col(p.border_colour)));
        out.push_back(named("fill_colour", col(p.fill_colour)));
        out.push_back(named("opacity", num(p.opacity)));
        break;
    }
    case MemoKind::Effect: {
        const auto& e = static_cast<const EffectObject&>(o);
        out.push_back({"rect", rect_text(e.rect), rect_json(e.rect)});
        out.push_back(named("operation", num(e.operation)));
        out.push_back(named("shape", num(e.shape)));
        break;
    }
    }
    return out;
}

void dump_text(const std::string& path, const std::vector<std::unique_ptr<MemoPackage>>& packages)
{
    std::printf("%s: %zu package%s\n", path.c_str(), packages.size(), packages.size() == 1 ? "" : "s");
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const MemoPackage& p = *packages[i];
        std::printf("package %zu\n  url: %s\n  width: %d\n  height: %d\n  text size: %d\n", i + 1,
                    text(p.url).c_str(), p.width, p.height, p.text_size);
        std::printf("  time: %s (%lld)\n  fetched: %s (%lld)\n", utc(p.time).c_str(), (long long)p.time,
                    utc(p.fetched).c_str(), (long long)p.fetched);
        std::printf("  thumbnail: %dx%d\n  objects: %zu\n", p.thumbnail.width(), p.thumbnail.height(), p.size());
        for (std::size_t k = 0; k < p.size(); ++k) {
            const MemoObject& o = p.at(k);
            std::printf("  [%zu] %s %s owner \"%s\" time %s lock %s bounds %s\n", k,
                        kind_name(std::uint32_t(o.kind())), o.id.to_string().c_str(), text(o.owner).c_str(),
                        utc(o.time).c_str(), o.locked ? "yes" : "no", rect_text(o.bounds()).c_str());
            for (const Field& f : fields_of(o)) {
                if (f.name == "text") {
                    // One output line per text line keeps the layout readable.
                    std::string shown = f.plain;
                    for (std::size_t at = 0; (at = shown.find('\n', at)) != std::string::npos; at += 9)
                        shown.replace(at, 1, "\n         ");
                    std::printf("      text %s\n", shown.c_str());
                } else {
                    std::printf("      %s %s\n", f.name.c_str(), f.plain.c_str());
                }
            }
        }
    }
}

std::string dump_json(const std::string& path, const std::vector<std::unique_ptr<MemoPackage>>& packages)
{
    std::string out = "{\"file\":" + json_string(path) + ",\"packages\":[";
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const MemoPackage& p = *packages[i];
        out += i ? ",{" : "{";
        out += "\"url\":" + json_string(text(p.url)) + ",\"width\":" + std::to_string(p.width) +
               ",\"height\":" + std::to_string(p.height) + ",\"text_size\":" + std::to_string(p.text_size) +
               ",\"time\":" + std::to_string(p.time) + ",\"fetched\":" + std::to_string(p.fetched) +
               ",\"thumbnail\":[" + std::to_string(p.thumbnail.width()) + "," + std::to_string(p.thumbnail.height()) +
               "],\"objects\":[";
        for (std::size_t k = 0; k < p.size(); ++k) {
            const MemoObject& o = p.at(k);
            out += k ? ",{" : "{";
            out += "\"kind\":" + json_string(kind_name(std::uint32_t(o.kind()))) + ",\"guid\":" +
                   json_string(o.id.to_string()) + ",\"owner\":" + json_string(text(o.owner)) +
                   ",\"time\":" + std::to_string(o.time) + ",\"locked\":" + (o.locked ? "true" : "false") +
                   ",\"bounds\":" + rect_json(o.bounds());
            for (const Field& f : fields_of(o))
                out += ",\"" + f.name + "\":" + f.json;
            out += "}";
        }
        out += "]}";
    }
    return out + "]}";
}

int run_dump(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else if (a.size() > 1 && a[0] == '-')
            return usage();
        else
            files.push_back(a);
    }
    if (files.empty())
        return usage();
    int status = 0;
    std::string json_out = "[";
    bool first = true;
    for (const auto& path : files) {
        const auto bytes = read_file(path);
        if (!bytes) {
            std::fprintf(stderr, "%s: cannot read the file\n", path.c_str());
            status = 1;
            continue;
        }
        std::vector<std::unique_ptr<MemoPackage>> packages;
        try {
            packages = parse_memo_file(*bytes);
        } catch (const rs2::IOException& e) {
            const PackageCheck check = check_memo_file(*bytes);
            std::fprintf(stderr, "%s: damaged at %s: %s\n", path.c_str(), check.first_bad_record.c_str(),
                         check.ok ? e.what() : check.message.c_str());
            status = 1;
            continue;
        }
        if (json) {
            json_out += (first ? "" : ",") + dump_json(path, packages);
            first = false;
        } else {
            dump_text(path, packages);
        }
    }
    if (json)
        std::printf("%s]\n", json_out.c_str());
    return status;
}

int run_check(const std::vector<std::string>& args)
{
    if (args.empty())
        return usage();
    int status = 0;
    for (const auto& path : args) {
        const auto bytes = read_file(path);
        if (!bytes) {
            std::printf("%s: cannot read the file\n", path.c_str());
            status = 1;
            continue;
        }
        const PackageCheck check = check_memo_file(*bytes);
        if (check.ok) {
            std::printf("%s: ok, %zu package%s\n", path.c_str(), check.packages, check.packages == 1 ? "" : "s");
            if (!check.limited.empty())
                std::printf("%s: a value no drawing tool makes, cut back when read: %s\n", path.c_str(),
                            check.limited.c_str());
        } else {
            std::printf("%s: damaged at %s: %s\n", path.c_str(), check.first_bad_record.c_str(), check.message.c_str());
            status = 1;
        }
    }
    return status;
}

// Draws every object as the browser would, within the same budget; returns how many were
// drawn as outlines because they would have cost more.
int draw_all(MemoPackage& package, MemoImage& target, const StampList& stamps)
{
    MemoImage scratch1, scratch2;
    QtCanvasFactory canvases;
    DrawContext ctx{target, scratch1, scratch2, Region({0, 0, target.width(), target.height()}), {}, canvases, &stamps};
    for (std::size_t i = 0; i < package.size(); ++i)
        package.at(i).draw(ctx);
    return ctx.over_budget;
}

int run_render(int argc, char** argv, const std::vector<std::string>& args)
{
    std::string input, output, background = "white";
    int width = 0, height = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" && i + 1 < args.size()) {
            output = args[++i];
        } else if (a == "--size" && i + 1 < args.size()) {
            if (std::sscanf(args[++i].c_str(), "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
                return usage();
        } else if (a == "--background" && i + 1 < args.size()) {
            background = args[++i];
            if (background != "white" && background != "transparent")
                return usage();
        } else if (a.size() > 1 && a[0] == '-') {
            return usage();
        } else if (input.empty()) {
            input = a;
        } else {
            return usage();
        }
    }
    if (input.empty() || output.empty())
        return usage();
    std::vector<std::unique_ptr<MemoPackage>> packages;
    if (!load_packages(input, packages))
        return 1;
    if (packages.empty()) {
        std::fprintf(stderr, "%s: no package\n", input.c_str());
        return 1;
    }
    MemoPackage& package = *packages.front();
    if (width == 0) {
        const Rect b = package.bounds();
        width = package.width > 0 ? package.width : std::max(0, b.right);
        height = std::max(0, b.bottom);
    }
    if (width <= 0 || height <= 0 || width > MemoImage::kMaxSide || height > MemoImage::kMaxSide) {
        std::fprintf(stderr, "%s: nothing to draw at %dx%d (give --size WxH)\n", input.c_str(), width, height);
        return 1;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    StampList stamps;
    if (const auto folder = platform::find_support_file("stamp"))
        stamps.load(*folder);

    if (const std::string value = first_limited_value(package); !value.empty())
        std::fprintf(stderr, "%s: a value no drawing tool makes was cut back when read: %s\n", input.c_str(),
                     value.c_str());
    MemoImage image(width, height);
    image.fill(rgb(255, 255, 255), 255);
    if (const int outlined = draw_all(package, image, stamps))
        std::fprintf(stderr, "%s: %d object%s drawn as outline%s: drawing %s would cost more than a package may\n",
                     input.c_str(), outlined, outlined == 1 ? "" : "s", outlined == 1 ? "" : "s",
                     outlined == 1 ? "it" : "them");
    if (background == "transparent") {
        // Drawn once more over black: where the two differ, the memos let the background
        // through, which gives each pixel's coverage and its colour.
        MemoImage black(width, height);
        black.fill(0, 255);
        draw_all(package, black, stamps);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* w = image.pixel(x, y);
                const std::uint8_t* b = black.pixel(x, y);
                const int through = std::clamp(((w[0] - b[0]) + (w[1] - b[1]) + (w[2] - b[2])) / 3, 0, 255);
                const int alpha = 255 - through;
                for (int c = 0; c < 3; ++c)
                    w[c] = alpha ? std::uint8_t(std::min(255, b[c] * 255 / alpha)) : 0;
                w[3] = std::uint8_t(alpha);
            }
    }
    try {
        rs2::AtomicFileStream out(output);
        PngCodec codec(image, true);
        write_picture(out, codec);
        out.commit();
    } catch (const rs2::IOException& e) {
        std::fprintf(stderr, "%s: %s\n", output.c_str(), e.what());
        return 1;
    }
    return 0;
}

const AnnotationTextCodec& annotation_codec()
{
    static const AnnotationTextCodec codec{platform::sjis_to_utf8, platform::utf8_to_sjis};
    return codec;
}

bool write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    file.close();
    return bool(file);
}

// Reads "--w3c IN [-o OUT]"; false on anything else.
bool annotation_arguments(const std::vector<std::string>& args, std::string& input, std::string& output)
{
    bool w3c = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--w3c")
            w3c = true;
        else if (args[i] == "-o" && i + 1 < args.size())
            output = args[++i];
        else if (input.empty() && !args[i].empty() && args[i][0] != '-')
            input = args[i];
        else
            return false;
    }
    return w3c && !input.empty();
}

int run_export(const std::vector<std::string>& args)
{
    std::string input, output;
    if (!annotation_arguments(args, input, output))
        return usage();
    std::vector<std::unique_ptr<MemoPackage>> packages;
    if (!load_packages(input, packages))
        return 1;
    std::vector<const MemoPackage*> list;
    for (const auto& p : packages)
        list.push_back(p.get());
    const std::string json = to_web_annotations(list, annotation_codec());
    if (output.empty()) {
        std::fputs(json.c_str(), stdout);
        return 0;
    }
    if (!write_file(output, json)) {
        std::fprintf(stderr, "%s: cannot write the file\n", output.c_str());
        return 1;
    }
    return 0;
}

int run_import(const std::vector<std::string>& args)
{
    std::string input, output;
    if (!annotation_arguments(args, input, output) || output.empty())
        return usage();
    const auto bytes = read_file(input);
    if (!bytes) {
        std::fprintf(stderr, "%s: cannot read the file\n", input.c_str());
        return 1;
    }
    const AnnotationImport imported = from_web_annotations(*bytes, annotation_codec());
    if (!imported.is_json) {
        std::fprintf(stderr, "%s: not JSON\n", input.c_str());
        return 1;
    }
    for (const std::string& line : imported.not_mapped)
        std::fprintf(stderr, "%s: not imported: %s\n", input.c_str(), line.c_str());
    if (imported.packages.empty()) {
        std::fprintf(stderr, "%s: no annotation could be made a memo\n", input.c_str());
        return 1;
    }
    std::vector<const MemoPackage*> list;
    std::size_t memos = 0;
    for (const auto& p : imported.packages) {
        list.push_back(p.get());
        memos += p->size();
    }
    if (!write_file(output, serialize_memo_file(list))) {
        std::fprintf(stderr, "%s: cannot write the file\n", output.c_str());
        return 1;
    }
    std::printf("%s: %zu memo%s on %zu page%s\n", output.c_str(), memos, memos == 1 ? "" : "s", list.size(),
                list.size() == 1 ? "" : "s");
    return imported.not_mapped.empty() ? 0 : kSomeNotImported;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "dump")
        return run_dump(args);
    if (command == "check")
        return run_check(args);
    if (command == "render")
        return run_render(argc, argv, args);
    if (command == "export")
        return run_export(args);
    if (command == "import")
        return run_import(args);
    return usage();
}
