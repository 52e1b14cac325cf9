#include "core/photo_store.h"

#include <numeric>

namespace kt {

std::optional<PhotoFormat> photoFormatOf(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xD8\xFF"))
        return PhotoFormat::Jpeg;
    if (bytes.starts_with("\x89PNG\r\n\x1A\n"))
        return PhotoFormat::Png;
    return std::nullopt;
}

std::size_t PhotoStore::count() const {
    return std::accumulate(m_photos.begin(), m_photos.end(), std::size_t{0},
                           [](std::size_t n, const std::vector<Photo>& v) { return n + v.size(); });
}

} // namespace kt
