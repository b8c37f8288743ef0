// Walking a PDF's update sections backwards from each "%%EOF" until one holds together.
#include "imaging/pdf/pdf_recovery.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace vantrel::imaging {
namespace {

constexpr std::string_view kEnd = "\n%%EOF\n";
constexpr std::string_view kStartXref = "startxref\n";
constexpr std::size_t kEntryBytes = 20;
constexpr std::uint64_t kMostDigits = 18;  // below 10^18, so the numbers read never overflow

class Text {
public:
    explicit Text(std::string_view text) : text_(text) {}

    // Digits at `at`, moving past them; nullopt without any.
    std::optional<std::uint64_t> Number(std::size_t& at) const {
        std::uint64_t value = 0;
        const std::size_t start = at;
        while (at < text_.size() && at - start < kMostDigits && text_[at] >= '0' && text_[at] <= '9')
            value = value * 10 + static_cast<std::uint64_t>(text_[at++] - '0');
        if (at == start) return std::nullopt;
        return value;
    }
    bool Skip(std::size_t& at, std::string_view literal) const {
        if (text_.substr(std::min(at, text_.size()), literal.size()) != literal) return false;
        at += literal.size();
        return true;
    }
    // The number after `key ` in [from, to), e.g. "/Count 12".
    std::optional<std::uint64_t> After(std::size_t from, std::size_t to, std::string_view key) const {
        const std::size_t found = text_.substr(0, to).find(key, from);
        if (found == std::string_view::npos) return std::nullopt;
        std::size_t at = found + key.size();
        return Number(at);
    }
    std::string_view View() const { return text_; }

private:
    std::string_view text_;
};

// Whether object `number` starts at `offset` ("n 0 obj"); `at` then past that line.
bool StartsObject(const Text& text, std::uint64_t number, std::uint64_t offset, std::size_t& at) {
    at = static_cast<std::size_t>(offset);
    return offset < text.View().size() && text.Number(at) == number && text.Skip(at, " 0 obj\n");
}

// Where object `number`'s own text starts and ends ("endobj"), when `offset` starts it.
std::optional<std::pair<std::size_t, std::size_t>> ObjectText(const Text& text, std::uint64_t number, std::uint64_t offset) {
    std::size_t at = 0;
    if (!StartsObject(text, number, offset, at)) return std::nullopt;
    const std::size_t end = text.View().find("endobj", at);
    if (end == std::string_view::npos) return std::nullopt;
    return std::pair{at, end};
}

// The page count of the document whose last cross-reference section is at `xref`, all of it in `text`.
std::optional<std::uint32_t> CheckDocument(const Text& text, std::uint64_t xref) {
    std::map<std::uint64_t, std::uint64_t> offsets;  // the latest definition of each object
    std::optional<std::uint64_t> root;
    for (std::uint64_t section = xref, limit = text.View().size();;) {
        if (section >= limit) return std::nullopt;  // each earlier section lies before the one naming it
        std::size_t at = static_cast<std::size_t>(section);
        if (!text.Skip(at, "xref\n")) return std::nullopt;
        while (!text.Skip(at, "trailer\n")) {
            const auto first = text.Number(at);
            if (!first || !text.Skip(at, " ")) return std::nullopt;
            const auto count = text.Number(at);
            if (!count || !text.Skip(at, "\n") || *count > (text.View().size() - at) / kEntryBytes) return std::nullopt;
            for (std::uint64_t i = 0; i < *count; ++i, at += kEntryBytes) {
                const std::string_view entry = text.View().substr(at, kEntryBytes);
                if (entry.substr(17) == "f\r\n") continue;
                std::size_t digits = at;
                const auto offset = text.Number(digits);
                if (entry.substr(10, 9) != " 00000 n\r" || digits != at + 10 || !offset || *offset >= section)
                    return std::nullopt;
                if (std::size_t past = 0; !StartsObject(text, *first + i, *offset, past)) return std::nullopt;
                offsets.emplace(*first + i, *offset);
            }
        }
        const std::size_t close = text.View().find(">>\n", at);
        if (close == std::string_view::npos) return std::nullopt;
        if (!root) root = text.After(at, close, "/Root ");
        const auto previous = text.After(at, close, "/Prev ");
        if (!previous) break;
        limit = section;
        section = *previous;
    }
    if (!root || !offsets.contains(*root)) return std::nullopt;
    const auto catalog = ObjectText(text, *root, offsets[*root]);
    const auto tree = catalog ? text.After(catalog->first, catalog->second, "/Pages ") : std::nullopt;
    if (!tree || !offsets.contains(*tree)) return std::nullopt;
    const auto node = ObjectText(text, *tree, offsets[*tree]);
    const auto count = node ? text.After(node->first, node->second, "/Count ") : std::nullopt;
    if (!count || *count == 0 || *count > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(*count);
}

}  // namespace

std::optional<CompletePdf> FindCompletePdf(std::span<const std::uint8_t> file) {
    const std::string_view all(reinterpret_cast<const char*>(file.data()), file.size());
    for (std::size_t end = all.size(); end >= kEnd.size();) {
        const std::size_t found = all.rfind(kEnd, end - kEnd.size());
        if (found == std::string_view::npos) break;
        end = found + kEnd.size();
        const Text text(all.substr(0, end));
        const std::size_t start = all.rfind(kStartXref, found);
        std::size_t at = start + kStartXref.size();
        const auto xref = start == std::string_view::npos ? std::nullopt : text.Number(at);
        if (xref && at == found) {
            if (const auto pages = CheckDocument(text, *xref)) return CompletePdf{end, *pages};
        }
        end = found + kEnd.size() - 1;  // the next candidate ends before this one
    }
    return std::nullopt;
}

}  // namespace vantrel::imaging
