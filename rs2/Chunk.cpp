#include "rs2/Chunk.h"

namespace rs2 {

std::uint32_t Chunk::make_tag(std::string_view four_chars)
{
    std::uint32_t tag = 0;
    for (std::size_t i = 0; i < 4 && i < four_chars.size(); ++i)
        tag |= std::uint32_t(static_cast<unsigned char>(four_chars[i])) << (8 * i);
    return tag;
}

std::string Chunk::tag_text() const
{
    std::string text(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        text[i] = static_cast<char>(tag_ >> (8 * i));
    return text;
}

void Chunk::write_to(BaseOStream& out) const
{
    const auto bytes = body_.unread();
    out << tag_ << static_cast<std::uint32_t>(bytes.size());
    out.write(bytes.data(), bytes.size());
}

void Chunk::read_from(BaseIStream& in)
{
    std::uint32_t length = 0;
    in >> tag_ >> length;
    if (length > in.readable_bound())
        in.error("chunk length " + std::to_string(length) + " exceeds the data available");
    if (body_.append_from(in, length) != length)
        in.error("read error(BaseIStream::read)");
}

} // namespace rs2
