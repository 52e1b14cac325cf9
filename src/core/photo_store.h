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
    // Handing out a question's photos to change counts as a write, as does taking another
    // store's photos: a reader tells the photos changed by the count, without comparing pictures.
    std::vector<Photo>& of(const CatalogEntry& e) {
        ++m_revision;
        return m_photos[e.index()];
    }
    const std::vector<Photo>& of(const CatalogEntry& e) const { return m_photos[e.index()]; }
    std::uint64_t revision() const { return m_revision; }

    PhotoStore() = default;
    PhotoStore(const PhotoStore&) = default;
    PhotoStore(PhotoStore&&) noexcept = default;
    PhotoStore& operator=(const PhotoStore& other) {
        m_photos = other.m_photos;
        ++m_revision;
        return *this;
    }
    PhotoStore& operator=(PhotoStore&& other) noexcept {
        m_photos = std::move(other.m_photos);
        ++m_revision;
        return *this;
    }

    // How many photos the whole story holds.
    std::size_t count() const;
    bool empty() const { return count() == 0; }

    // Equal photos; how often they were written plays no part.
    friend bool operator==(const PhotoStore& a, const PhotoStore& b) {
        return a.m_photos == b.m_photos;
    }

private:
    std::array<std::vector<Photo>, kQuestionCount> m_photos;
    std::uint64_t m_revision = 0;
};

} // namespace kt
