// The shared-strings part ("/xl/sharedStrings.xml"): the texts that string
// cells name by their place in the table.
//
// A plain item (a text alone) is held as its text; any other item (rich
// text runs, phonetic runs and properties, content of other namespaces) as
// the rich-text binding it was read into, written back as read. Only plain
// items are found again by their text: a plain write never takes the place
// of a rich item, whose runs would format the new cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "celvo/text.h"
#include "nimb/errors.h"
#include "nimb/reader.h"
#include "part.h"

namespace sheet {
class c_CT_Rst;
}

namespace celvo {

// The whole text of a shared-string item or inline string: its own text, or
// its runs joined (phonetic runs left out).
u16string richText(const sheet::c_CT_Rst& item);

// The document of the shared-strings part: the root's counts, its items,
// and what else the root held (namespace declarations, attributes and
// elements of other namespaces), written back as read.
class SharedStringsDocument {
public:
    struct Item {
        u16string text;                       // the whole text (runs joined)
        std::unique_ptr<sheet::c_CT_Rst> rich;  // null for a plain item
        std::string markup;                     // an item the binding does not read, as read
        bool plain() const noexcept { return !rich && markup.empty(); }
    };

    SharedStringsDocument();
    SharedStringsDocument(const SharedStringsDocument& other);
    SharedStringsDocument(SharedStringsDocument&&) noexcept;
    SharedStringsDocument& operator=(const SharedStringsDocument& other);
    SharedStringsDocument& operator=(SharedStringsDocument&&) noexcept;
    ~SharedStringsDocument();

    nimb::enimb_error unmarshal(const char* data, std::size_t size, nimb::c_error_record* error,
                                const nimb::c_reader_limits& limits);
    nimb::enimb_error marshal(std::string& out, nimb::c_error_record* error = nullptr) const;

    std::vector<Item> items;
    bool hasCount = false;
    std::uint32_t count = 0;
    bool hasUniqueCount = false;
    std::uint32_t uniqueCount = 0;

private:
    static Item readItem(const std::string& name, const std::string& markup,
                         const std::vector<std::pair<std::string, std::string>>& declarations,
                         const nimb::c_reader_limits& limits);

    std::vector<std::pair<std::string, std::string>> declarations_;  // prefix, URI
    std::vector<std::pair<std::string, std::string>> attributes_;    // qualified name, value
    std::string prefix_;                                             // of the root element as read
    std::vector<std::string> keptElements_;                          // markup after the items
};

class SharedStrings final : public XmlFile<SharedStringsDocument> {
public:
    // An empty table.
    SharedStrings();
    // The table of a part's bytes; "data is empty" for none.
    SharedStrings(const char* data, std::size_t size);

    std::size_t size() const noexcept { return root_.items.size(); }
    // The place of a plain item of this text, a new item when there is none.
    std::uint32_t addString(u16view text);
    // The text of an item (runs joined); throws "index is out of range or
    // no value" for a place the table does not hold.
    const u16string& getString(std::uint32_t index) const;
    bool isRich(std::uint32_t index) const;

    // Writes the table with its count of items made true.
    void serialize(std::string& out) override;

private:
    void buildIndex();
    std::unordered_map<u16string, std::uint32_t> index_;  // plain items only
};

}  // namespace celvo
