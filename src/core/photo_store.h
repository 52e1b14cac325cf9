#pragma once

#include "core/question_catalog.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kt {

// The two picture formats a story keeps: what word processors read in rich text.
enum class PhotoFormat : std::uint8_t { Jpeg, Png };

// The format the bytes are in, by their signature; nothing for anything else.
std::optional<PhotoFormat> photoFormatOf(std::string_view bytes);

// A photo given to an answer: the picture as it is saved, and a caption (UTF-8, may be empty).
struct Photo {
    std::string bytes;
    PhotoFormat format = PhotoFormat::Jpeg;
    std::string caption;

    friend bool operator==(const Photo&, const Photo&) = default;
};

// The answers' companions: per question, its photos in the order the story shows them.
class PhotoStore {
public:
    std::vector<Photo>& of(const CatalogEntry& e) { return m_photos[e.index()]; }
    const std::vector<Photo>& of(const CatalogEntry& e) const { return m_photos[e.index()]; }

    // How many photos the whole story holds.
    std::size_t count() const;
    bool empty() const { return count() == 0; }

    friend bool operator==(const PhotoStore&, const PhotoStore&) = default;

private:
    std::array<std::vector<Photo>, kQuestionCount> m_photos;
};

} // namespace kt
