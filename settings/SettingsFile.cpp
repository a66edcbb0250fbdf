#include "settings/SettingsFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>

#include <pugixml.hpp>

#include "rs2/DebugStream.h"
#include "rs2/FileStream.h"
#include "rs2/IOException.h"

namespace settings {

namespace {

struct Token {
    char character;
    std::string_view token;
};

// Both directions walk the text once, a character at a time.
constexpr Token kTokens[] = {
    {'&', "%AND%"}, {'<', "%L%"},  {'>', "%G%"},  {'"', "%DQ%"}, {'\'', "%SQ%"},
    {' ', "%SP%"},  {'-', "%H%"},  {'_', "%U%"},  {'.', "%D%"},
};

// 2 when a Shift_JIS double-byte character starts at `at` (a lead byte and a trail byte), else
// 0. Its trail byte may equal "_" and must not be escaped. A lead byte before "%" is no such
// character: older files wrote "ダ" (83 5F) as 83 "%U%", which still reads back.
std::size_t double_byte_length(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (!((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) || at + 1 >= text.size())
        return 0;
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC) ? 2 : 0;
}

// Text stops at an embedded 0, as it does in the C strings other installations store.
std::string_view c_string(std::string_view text)
{
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

// Server addresses, gestures and key strings are stored unescaped. The characters that
// would break the attribute are written as XML entities, which every reader decodes, so
// the file always reads back; ordinary values keep their bytes.
std::string raw_attribute(std::string_view text)
{
    std::string result;
    for (const char c : c_string(text)) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '"': result += "&quot;"; break;
        default: result += c; break;
        }
    }
    return result;
}

std::string escaped_attribute(std::string_view text)
{
    return escape(c_string(text));
}

void append_rect(std::string& out, std::string_view element, const Rect& r)
{
    out += "\t\t<";
    out += element;
    out += " left=\"" + std::to_string(r.left) + "\" top=\"" + std::to_string(r.top) + "\" right=\"" +
           std::to_string(r.right) + "\" bottom=\"" + std::to_string(r.bottom) + "\"/>\r\n";
}

// `name` carries the padding spaces of its line.
void append_value(std::string& out, std::string_view name, std::string_view value,
                  std::string_view line_end = "\r\n")
{
    out += "\t\t<";
    out += name;
    out += " value=\"";
    out += value;
    out += "\"/>";
    out += line_end;
}

std::string flag(bool on)
{
    return on ? "1" : "0";
}

std::string number(std::int32_t v)
{
    return std::to_string(v);
}

std::uint32_t scan_unsigned(const char* text, std::uint32_t unchanged)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '+' || *p == '-')
        ++p;
    if (*p < '0' || *p > '9')
        return unchanged;
    // Like "%u": a minus sign negates modulo 2^32.
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

std::int32_t number_of(const pugi::xml_node& node, const char* attribute)
{
    return atoi32(node.attribute(attribute).value());
}

bool flag_of(const pugi::xml_node& node, const char* attribute)
{
    return number_of(node, attribute) != 0;
}

std::string text_of(const pugi::xml_node& node, const char* attribute)
{
    return unescape(node.attribute(attribute).value());
}

Rect rect_of(const pugi::xml_node& node)
{
    Rect r;
    r.left = number_of(node, "left");
    r.right = number_of(node, "right");
    r.top = number_of(node, "top");
    r.bottom = number_of(node, "bottom");
    return r;
}

bool is(const pugi::xml_node& node, const char* name)
{
    return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

void read_window(Settings& s, const pugi::xml_node& window)
{
    struct Member {
        const char* name;
        std::int32_t Settings::*member;
    };
    static constexpr Member kNumbers[] = {
        {"width", &Settings::width},       {"maximized", &Settings::maximized},
        {"fontsize", &Settings::fontsize}, {"toolbar", &Settings::toolbar},
        {"addrbar", &Settings::addrbar},   {"linkbar", &Settings::linkbar},
        {"drawbar", &Settings::drawbar},   {"statbar", &Settings::statbar},
        {"favobar", &Settings::favobar},   {"histbar", &Settings::histbar},
        {"memobar", &Settings::memobar},
    };
    for (const pugi::xml_node& child : window.children()) {
        if (is(child, "rect")) {
            s.rect = rect_of(child);
        } else if (is(child, "exprect")) {
            s.exprect = rect_of(child);
        } else if (is(child, "bandinfo")) {
            s.bandinfo.clear();
            for (const pugi::xml_node& band : child.children()) {
                if (is(band, "band")) {
                    s.bandinfo.push_back({text_of(band, "name"),
                                          static_cast<std::uint32_t>(number_of(band, "cx")),
                                          flag_of(band, "break")});
                }
            }
        } else {
            for (const Member& m : kNumbers) {
                if (is(child, m.name)) {
                    s.*m.member = number_of(child, "value");
                    break;
                }
            }
        }
    }
    // The text size indexes a five-entry table.
    s.fontsize = std::clamp(s.fontsize, 0, 4);
}

void read_lastopen(Settings& s, const pugi::xml_node& lastopen)
{
    s.lastopen.clear();
    for (const pugi::xml_node& site : lastopen.children()) {
        if (!is(site, "site"))
            continue;
        LastOpenSite entry;
        entry.url = text_of(site, "value");
        entry.lock = flag_of(site, "lock");
        entry.reload = number_of(site, "reload");
        for (const pugi::xml_node& log : site.children()) {
            if (is(log, "log"))
                entry.log.push_back({text_of(log, "url"), text_of(log, "title")});
        }
        s.lastopen.push_back(std::move(entry));
    }
}

void read_option(Settings& s, const pugi::xml_node& option)
{
    struct Text {
        const char* name;
        std::string Settings::*member;
    };
    static constexpr Text kTexts[] = {
        {"searchstring", &Settings::searchstring}, {"savefolder", &Settings::savefolder},
        {"user_name", &Settings::user_name},       {"proxy_login", &Settings::proxy_login},
        {"proxy_pw", &Settings::proxy_pw},         {"useragent", &Settings::useragent},
        {"language", &Settings::language},
    };
    struct Number {
        const char* name;
        std::int32_t Settings::*member;
    };
    static constexpr Number kNumbers[] = {
        {"server_port", &Settings::server_port}, {"check_time", &Settings::check_time},
        {"proxy_setting", &Settings::proxy_setting}, {"proxy_index", &Settings::proxy_index},
        {"discard_minutes", &Settings::discard_minutes},
    };
    static constexpr Number kIntFlags[] = {
        {"del_cookie", &Settings::del_cookie}, {"del_hist", &Settings::del_hist},
        {"del_temp", &Settings::del_temp},     {"del_tabhist", &Settings::del_tabhist},
    };
    struct ByteFlag {
        const char* name;
        unsigned char Settings::*member;
    };
    static constexpr ByteFlag kByteFlags[] = {
        {"doublebuffer", &Settings::doublebuffer},
        {"favorder", &Settings::favorder},
        {"openlast", &Settings::openlast},
        {"share_position", &Settings::share_position},
        {"blockpopup", &Settings::blockpopup},
        {"blockscripterror", &Settings::blockscripterror},
    };

    for (const pugi::xml_node& child : option.children()) {
        if (child.type() != pugi::node_element)
            continue;
        const std::string_view name = child.name();
        const char* value = child.attribute("value").value();
        if (name == "server_addr") {
            // An address the model refuses keeps the previous one.
            s.set_server_addr(value);
            continue;
        }
        if (name == "securityflag") {
            s.securityflag = scan_unsigned(value, s.securityflag);
            continue;
        }
        for (const Text& m : kTexts) {
            if (name == m.name)
                s.*m.member = unescape(value);
        }
        for (const Number& m : kNumbers) {
            if (name == m.name)
                s.*m.member = atoi32(value);
        }
        for (const Number& m : kIntFlags) {
            if (name == m.name)
                s.*m.member = atoi32(value) != 0 ? 1 : 0;
        }
        for (const ByteFlag& m : kByteFlags) {
            if (name == m.name)
                s.*m.member = atoi32(value) != 0 ? 1 : 0;
        }
    }
}

void read_mouse(Settings& s, const pugi::xml_node& mouse)
{
    for (const pugi::xml_node& child : mouse.children()) {
        if (is(child, "command"))
            s.gestures.push_back({child.attribute("gesture").value(), number_of(child, "func")});
        else if (is(child, "command_lr"))
            s.command_lr = number_of(child, "func");
        else if (is(child, "command_rl"))
            s.command_rl = number_of(child, "func");
    }
    s.rebuild_gesture_table();
}

void read_document(Settings& s, const pugi::xml_document& document, bool& mouse_seen)
{
    for (const pugi::xml_node& section : document.document_element().children()) {
        if (is(section, "window")) {
            read_window(s, section);
        } else if (is(section, "lastopen")) {
            read_lastopen(s, section);
        } else if (is(section, "lastclose")) {
            s.lastclose.clear();
            for (const pugi::xml_node& tab : section.children()) {
                if (is(tab, "tab"))
                    s.lastclose.push_back({text_of(tab, "title"), text_of(tab, "url")});
            }
        } else if (is(section, "private")) {
            s.private_areas.clear();
            for (const pugi::xml_node& url : section.children()) {
                if (is(url, "url"))
                    s.private_areas.push_back(text_of(url, "value"));
            }
        } else if (is(section, "proxy")) {
            s.proxy.clear();
            for (const pugi::xml_node& server : section.children()) {
                if (is(server, "server"))
                    s.proxy.push_back(text_of(server, "value"));
            }
        } else if (is(section, "option")) {
            read_option(s, section);
        } else if (is(section, "mouse")) {
            mouse_seen = true;
            read_mouse(s, section);
        } else if (is(section, "key")) {
            for (const pugi::xml_node& command : section.children()) {
                if (is(command, "command"))
                    s.keys.push_back({command.attribute("key").value(), number_of(command, "func")});
            }
        }
    }
}

// The file is Shift_JIS; read as UTF-8 without conversion, every attribute value comes back
// as its original bytes.
constexpr unsigned kParseOptions = pugi::parse_default;
constexpr pugi::xml_encoding kEncoding = pugi::encoding_utf8;

bool load_document(Settings& s, const pugi::xml_parse_result& parsed, const pugi::xml_document& document)
{
    bool mouse_seen = false;
    bool ok = false;
    if (!parsed) {
        rs2::trace() << "Failed to Load Setting\n";
    } else {
        try {
            read_document(s, document, mouse_seen);
            ok = true;
        } catch (const std::exception&) {
            rs2::trace() << "Failed to Load Setting\n";
        }
    }
    if (!mouse_seen)
        s.set_default_gestures();
    s.rebuild_gesture_table();
    return ok;
}

} // namespace

std::int32_t atoi32(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    std::int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > std::int64_t{INT_MAX} + 1)
            value = std::int64_t{INT_MAX} + 1;
    }
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

std::string escape(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const std::size_t length = double_byte_length(text, i)) {
            result.append(text.substr(i, length));
            i += length - 1;
            continue;
        }
        const auto token = std::find_if(std::begin(kTokens), std::end(kTokens),
                                        [&](const Token& t) { return t.character == text[i]; });
        if (token != std::end(kTokens))
            result.append(token->token);
        else
            result += text[i];
    }
    return result;
}

std::string unescape(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const std::size_t length = double_byte_length(text, i)) {
            result.append(text.substr(i, length));
            i += length - 1;
            continue;
        }
        const auto token = std::find_if(std::begin(kTokens), std::end(kTokens),
                                        [&](const Token& t) { return text.substr(i).starts_with(t.token); });
        if (token != std::end(kTokens)) {
            result += token->character;
            i += token->token.size() - 1;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string compose_settings_file(Settings& s, const FrameState& frame)
{
    const std::vector<OpenTab> tabs = frame.open_tabs();
    const BarVisibility bars = frame.bars();
    const Rect explorer = frame.explorer_rect();
    s.maximized = frame.maximized() ? 1 : 0;

    std::string out;
    out.reserve(4096);
    out += "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n";
    out += "<marvo>\r\n";
    out += "\t<window>\r\n";
    append_value(out, "width", number(s.width));
    append_rect(out, "rect", s.rect);
    append_value(out, "maximized", number(s.maximized));
    append_value(out, "fontsize ", number(s.fontsize));
    append_value(out, "toolbar", flag(bars.toolbar));
    append_value(out, "addrbar", flag(bars.addrbar));
    append_value(out, "linkbar", flag(bars.linkbar));
    append_value(out, "drawbar", flag(bars.drawbar));
    append_value(out, "statbar", flag(bars.statbar));
    append_value(out, "favobar", flag(bars.favobar));
    append_value(out, "histbar", flag(bars.histbar));
    append_value(out, "memobar", flag(bars.memobar));
    append_rect(out, "exprect", explorer);

    out += "\t\t<bandinfo>\r\n";
    for (const RebarBand& band : frame.bands()) {
        // Tool bands are remembered only while shown; the native bars always.
        if (band.name.find("Native:") == std::string::npos && !band.visible)
            continue;
        out += "\t\t\t<band name=\"" + escaped_attribute(band.name) + "\" cx=\"" + std::to_string(band.cx) +
               "\" break=\"" + flag(band.brk) + "\" />\r\n";
    }
    out += "\t\t</bandinfo>\r\n";
    out += "\t</window>\r\n";

    out += "\t<lastopen>\r\n";
    for (const OpenTab& tab : tabs) {
        out += "\t\t<site value=\"" + escaped_attribute(tab.url) + "\" lock=\"" + flag(tab.lock) +
               "\" reload=\"" + number(tab.reload) + "\">\r\n";
        if (s.del_hist == 0) {
            for (const LogEntry& entry : tab.log) {
                out += "\t\t\t<log url=\"" + escaped_attribute(entry.url) + "\" title=\"" +
                       escaped_attribute(entry.title) + "\" />\r\n";
            }
        }
        out += "\t\t</site>\r\n";
    }
    out += "\t</lastopen>\r\n";

    if (s.del_tabhist == 0) {
        out += "\t<lastclose>\r\n";
        for (const ClosedPage& page : s.lastclose) {
            out += "\t\t<tab title=\"" + escaped_attribute(page.title) + "\" url=\"" +
                   escaped_attribute(page.url) + "\"/>\r\n";
        }
        out += "\t</lastclose>\r\n";
    }

    out += "\t<private>\r\n";
    for (const std::string& url : s.private_areas)
        append_value(out, "url", escaped_attribute(url));
    out += "\t</private>\r\n";

    out += "\t<proxy>\r\n";
    for (const std::string& server : s.proxy)
        append_value(out, "server", escaped_attribute(server));
    out += "\t</proxy>\r\n";

    out += "\t<option>\r\n";
    append_value(out, "searchstring", escaped_attribute(s.searchstring));
    append_value(out, "savefolder  ", escaped_attribute(s.savefolder));
    append_value(out, "doublebuffer", flag(s.doublebuffer));
    append_value(out, "securityflag", std::to_string(s.securityflag));
    append_value(out, "favorder", flag(s.favorder));
    append_value(out, "blockpopup  ", flag(s.blockpopup));
    append_value(out, "blockscripterror  ", flag(s.blockscripterror));
    append_value(out, "openlast    ", flag(s.openlast));
    append_value(out, "server_addr ", raw_attribute(s.server_addr()));
    append_value(out, "server_port ", number(s.server_port));
    append_value(out, "share_position ", flag(s.share_position));
    append_value(out, "user_name ", escaped_attribute(s.user_name));
    append_value(out, "check_time", number(s.check_time));
    append_value(out, "del_cookie", flag(s.del_cookie));
    append_value(out, "del_hist", flag(s.del_hist));
    append_value(out, "del_temp", flag(s.del_temp));
    append_value(out, "del_tabhist", flag(s.del_tabhist));
    append_value(out, "proxy_setting", number(s.proxy_setting));
    append_value(out, "proxy_index", number(s.proxy_index));
    append_value(out, "proxy_login", escaped_attribute(s.proxy_login));
    append_value(out, "proxy_pw", escaped_attribute(s.proxy_pw));
    // Only our own choices of user agent and language are stored: files without one stay as other
    // installations write them.
    if (!s.useragent.empty())
        append_value(out, "useragent", escaped_attribute(s.useragent));
    if (!s.language.empty())
        append_value(out, "language", escaped_attribute(s.language));
    if (s.discard_minutes != Settings::kDefaultDiscardMinutes)
        append_value(out, "discard_minutes", number(s.discard_minutes));
    out += "\t</option>\r\n";

    out += "\t<mouse>\r\n";
    // These two lines have always ended in a line feed alone; readers accept both.
    out += "\t\t<command_lr func=\"" + number(s.command_lr) + "\"/>\n";
    out += "\t\t<command_rl func=\"" + number(s.command_rl) + "\"/>\n";
    for (const GestureCommand& g : s.gestures) {
        out += "\t\t<command gesture=\"" + raw_attribute(g.gesture) + "\" func=\"" + number(g.func) +
               "\"/>\r\n";
    }
    out += "\t</mouse>\r\n";

    out += "\t<key>\r\n";
    for (const KeyCommand& k : s.keys)
        out += "\t\t<command key=\"" + raw_attribute(k.key) + "\" func=\"" + number(k.func) + "\"/>\r\n";
    out += "\t</key>\r\n";
    out += "</marvo>\r\n";
    return out;
}

bool save_settings(Settings& settings, const FrameState& frame, const std::string& path)
{
    const std::string bytes = compose_settings_file(settings, frame);
    try {
        // Never replace a readable file with one the next start could not read.
        pugi::xml_document check;
        if (!check.load_buffer(bytes.data(), bytes.size(), kParseOptions, kEncoding))
            return false;
        // The file holds the proxy password.
        rs2::AtomicFileStream file(path, 0600);
        file.set_text_mode(true);
        file.textout(bytes);
        file.commit();
        return true;
    } catch (const rs2::IOException&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool load_settings(Settings& settings, const std::string& path)
{
    settings.gestures.clear();
    settings.keys.clear();
    pugi::xml_document document;
    pugi::xml_parse_result parsed;
    try {
        parsed = document.load_file(path.c_str(), kParseOptions, kEncoding);
    } catch (const std::exception&) {
        parsed.status = pugi::status_out_of_memory;
    }
    return load_document(settings, parsed, document);
}

bool load_settings_from_buffer(Settings& settings, const void* data, std::size_t size)
{
    settings.gestures.clear();
    settings.keys.clear();
    pugi::xml_document document;
    pugi::xml_parse_result parsed;
    try {
        parsed = document.load_buffer(data, size, kParseOptions, kEncoding);
    } catch (const std::exception&) {
        parsed.status = pugi::status_out_of_memory;
    }
    return load_document(settings, parsed, document);
}

} // namespace settings
