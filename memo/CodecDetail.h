#pragma once

#include <cstddef>

#include "rs2/Stream.h"

// Helpers shared by the codec sources; not for use outside them.
namespace memo::detail {

bool read_exact(rs2::BaseIStream& in, void* dst, std::size_t n);
bool write_all(rs2::BaseOStream& out, const void* src, std::size_t n);
bool plausible_size(rs2::BaseIStream& in, long w, long h, double min_bytes_per_pixel);

} // namespace memo::detail
