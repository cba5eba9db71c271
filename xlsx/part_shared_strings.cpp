#include "part_shared_strings.h"

#include <algorithm>

#include "nimb/binding.h"
#include "ooxml/sml-sheet3.h"
#include "sheet_cells_io.h"

namespace celvo {

namespace {

constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string localName(const std::string& qname)
{
    const std::size_t colon = qname.find(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

std::string prefixOf(const std::string& qname)
{
    const std::size_t colon = qname.find(':');
    return colon == std::string::npos ? std::string() : qname.substr(0, colon);
}

// Whether an object keeps nothing but namespace declarations.
bool keepsNoContent(const nimb::c_binding& object)
{
    const nimb::c_kept* k = object.kept();
    return !k || (k->attributes.empty() && k->elements.empty());
}

// Whether an item read is a text alone, which a plain item holds whole.
bool isPlainItem(const sheet::c_CT_Rst& item)
{
    const sheet::c_ST_Xstring_space* t = item.t.peek();
    return t && keepsNoContent(*t) && keepsNoContent(item) && item.r.empty() && item.rPh.empty() && !item.phoneticPr.has() &&
           (!t->space.present || t->space.value == u"preserve");
}

void escapeAttribute(std::ostream& out, const std::string& value)
{
    for (char c : value) {
        switch (c) {
        case '&': out << "&amp;"; break;
        case '<': out << "&lt;"; break;
        case '"': out << "&quot;"; break;
        case '\t': out << "&#9;"; break;
        case '\n': out << "&#10;"; break;
        case '\r': out << "&#13;"; break;
        default: out << c;
        }
    }
}

// The start tag of `markup` with the declarations given added.
std::string withDeclarations(const std::string& name, const std::string& markup,
                             const std::vector<std::pair<std::string, std::string>>& declarations)
{
    std::string text = "<" + name;
    for (const auto& d : declarations) {
        text += d.first.empty() ? " xmlns=\"" : " xmlns:" + d.first + "=\"";
        for (char c : d.second) text += c == '"' ? std::string("&quot;") : c == '&' ? std::string("&amp;") : std::string(1, c);
        text += '"';
    }
    text.append(markup, name.size() + 1, std::string::npos);
    return text;
}

// The text of an item read as markup: the texts of its "t" elements that
// are not phonetic runs.
u16string markupText(const std::string& document, const nimb::c_reader_limits& limits)
{
    nimb::c_xml_reader_memory reader(document.data(), document.size(), nullptr, limits);
    std::vector<std::string> open;
    std::string text, name, attribute, value;
    nimb::enimb_error e;
    for (;;) {
        const int t = reader.scan_element_event(e, name);
        if (t == nimb::tok_element_end) {
            if (open.empty()) break;
            open.pop_back();
            if (open.empty()) break;
            continue;
        }
        if (t == nimb::tok_text) continue;
        if (t != nimb::tok_name) break;
        int a;
        while ((a = reader.next_attribute(attribute)) == nimb::tok_name) reader.get_attribute_text(value, nimb::ws_preserve);
        if (a != nimb::tok_start_tag_end) continue;
        open.push_back(localName(name));
        if (open.back() == "t" && std::find(open.begin(), open.end(), "rPh") == open.end()) {
            std::string part;
            if (!reader.get_element_text(part, nimb::ws_preserve)) break;
            text += part;
        }
    }
    return utf8ToUtf16(text);
}

}  // namespace

SharedStringsDocument::Item SharedStringsDocument::readItem(const std::string& name, const std::string& markup,
                                                            const std::vector<std::pair<std::string, std::string>>& declarations,
                                                            const nimb::c_reader_limits& limits)
{
    const std::string document = withDeclarations(name, markup, declarations);
    nimb::c_xml_reader_memory reader(document.data(), document.size(), nullptr, limits);
    reader.set_ns_map(sheet::c_CT_Rst::desc().namespaces);
    reader.program_file = "xlsx/part_shared_strings";
    auto item = std::make_unique<sheet::c_CT_Rst>();
    std::string itemName;
    nimb::enimb_error e;
    Item held;
    if (reader.scan_element_event(e, itemName) == nimb::tok_name &&
        nimb::unmarshal_object(reader, *item, itemName) == nimb::e_no_error) {
        held.text = richText(*item);
        if (!isPlainItem(*item)) held.rich = std::move(item);
        return held;
    }
    held.text = markupText(document, limits);
    held.markup = markup;
    return held;
}

u16string richText(const sheet::c_CT_Rst& item)
{
    if (const sheet::c_ST_Xstring_space* t = item.t.peek()) return t->content.value;
    u16string text;
    for (std::size_t i = 0; i < item.r.size(); ++i)
        if (const sheet::c_ST_Xstring_space* t = item.r.at(i)->t.peek()) text += t->content.value;
    return text;
}

// ---- the document -------------------------------------------------------------

SharedStringsDocument::SharedStringsDocument() = default;
SharedStringsDocument::SharedStringsDocument(SharedStringsDocument&&) noexcept = default;
SharedStringsDocument& SharedStringsDocument::operator=(SharedStringsDocument&&) noexcept = default;
SharedStringsDocument::~SharedStringsDocument() = default;

SharedStringsDocument::SharedStringsDocument(const SharedStringsDocument& o)
    : hasCount(o.hasCount), count(o.count), hasUniqueCount(o.hasUniqueCount), uniqueCount(o.uniqueCount),
      declarations_(o.declarations_), attributes_(o.attributes_), prefix_(o.prefix_), keptElements_(o.keptElements_)
{
    items.reserve(o.items.size());
    for (const Item& item : o.items)
        items.push_back({item.text, item.rich ? std::make_unique<sheet::c_CT_Rst>(*item.rich) : nullptr, item.markup});
}

SharedStringsDocument& SharedStringsDocument::operator=(const SharedStringsDocument& o)
{
    if (this != &o) {
        SharedStringsDocument copy(o);
        *this = std::move(copy);
    }
    return *this;
}

nimb::enimb_error SharedStringsDocument::unmarshal(const char* data, std::size_t size, nimb::c_error_record* error,
                                                   const nimb::c_reader_limits& limits)
{
    nimb::c_xml_reader_memory reader(data, size, nullptr, limits);
    const nimb::c_ns_entry* table = sheet::c_CT_Rst::desc().namespaces;
    reader.set_ns_map(table);
    reader.program_file = "xlsx/part_shared_strings";
    auto fail = [&](nimb::enimb_error e) {
        if (error) *error = reader.error_record();
        return e != nimb::e_no_error ? e : nimb::e_not_well_formed;
    };
    nimb::enimb_error e;
    std::string name;
    if (reader.scan_element_event(e, name) != nimb::tok_name) return fail(e);
    if (localName(name) != "sst" || reader.name_record().ns_id != 1000) return fail(nimb::e_element_not_found);
    SharedStringsDocument fresh;
    fresh.prefix_ = prefixOf(name);
    std::string attribute, value;
    int a;
    while ((a = reader.next_attribute(attribute)) == nimb::tok_name) {
        if (!reader.get_attribute_text(value, nimb::ws_preserve)) return fail(nimb::e_not_well_formed);
        std::uint32_t number = 0;
        // A count that is no count is kept as it was, and the unique count
        // written true.
        if ((attribute == "count" || attribute == "uniqueCount") && !sheet::read_unsigned(value, number)) {
            if (attribute == "count") fresh.attributes_.emplace_back(attribute, value);
            else fresh.hasUniqueCount = true;
        } else if (attribute == "count" || attribute == "uniqueCount") {
            (attribute == "count" ? fresh.hasCount : fresh.hasUniqueCount) = true;
            (attribute == "count" ? fresh.count : fresh.uniqueCount) = number;
        } else {
            fresh.attributes_.emplace_back(attribute, value);
        }
    }
    nimb::c_any_info declarations;
    reader.collect_declarations(declarations);
    fresh.declarations_ = declarations.declarations;
    if (fresh.declarations_.empty()) fresh.declarations_.emplace_back(std::string(), kMainNamespace);
    if (a == nimb::tok_start_tag_end) {
        for (;;) {
            const int t = reader.scan_element_event(e, name);
            if (t == nimb::tok_element_end) break;
            if (t == nimb::tok_text) continue;
            if (t != nimb::tok_name) return fail(e);
            if (localName(name) == "si" && reader.name_record().ns_id == 1000 && fresh.keptElements_.empty()) {
                // Each item is read on its own, so that one the binding
                // does not read (phonetic runs made of rich runs, written by
                // some programs) is kept as read instead of failing the part.
                std::string markup;
                if (!reader.get_element_xml(name, markup, nimb::ws_preserve)) return fail(nimb::e_not_well_formed);
                fresh.items.push_back(readItem(name, markup, fresh.declarations_, limits));
            } else {
                // Anything after the items (an extension list) is kept as
                // markup and written back after them.
                std::string markup;
                if (!reader.get_element_xml(name, markup, nimb::ws_preserve)) return fail(nimb::e_not_well_formed);
                fresh.keptElements_.push_back(std::move(markup));
            }
        }
    } else if (a != nimb::tok_element_end) {
        return fail(nimb::e_not_well_formed);
    }
    *this = std::move(fresh);
    if (error) *error = reader.error_record();
    return nimb::e_no_error;
}

nimb::enimb_error SharedStringsDocument::marshal(std::string& out, nimb::c_error_record* error) const
{
    std::string written;
    nimb::enimb_error e = nimb::e_no_error;
    {
        nimb::c_string_output text(written);
        nimb::c_xml_writer w(text, 2, "", "");
        nimb::c_writer_element_scope frame(w);
        w.set_ns_map(sheet::c_CT_Rst::desc().namespaces);
        w.set_declarations_written();
        std::vector<std::pair<std::string, std::string>> declarations = declarations_;
        if (declarations.empty()) declarations.emplace_back(std::string(), kMainNamespace);
        // The unique count follows the items.
        const std::uint32_t unique = static_cast<std::uint32_t>(items.size());
        for (const auto& d : declarations) w.push_declaration(d.first, d.second);
        const std::string root = prefix_.empty() ? std::string("sst") : prefix_ + ":sst";
        const std::string si = prefix_.empty() ? std::string("si") : prefix_ + ":si";
        w.start_element(root.c_str());
        for (const auto& d : declarations) w.write_declaration(d.first, d.second);
        if (hasCount) {
            w.write_attribute_separator();
            w.stream() << "count=\"" << count << '"';
        }
        if (hasUniqueCount) {
            w.write_attribute_separator();
            w.stream() << "uniqueCount=\"" << unique << '"';
        }
        for (const auto& attribute : attributes_) {
            w.write_attribute_separator();
            w.stream() << attribute.first << "=\"";
            escapeAttribute(w.stream(), attribute.second);
            w.stream() << '"';
        }
        sheet::c_ST_Xstring_space plain;
        for (const Item& item : items) {
            if (!item.markup.empty()) {
                w.simple_content() << item.markup;
            } else if (item.rich) {
                e = nimb::marshal_object(w, *item.rich, si.c_str());
            } else {
                nimb::c_writer_element_scope itemFrame(w);
                w.start_element(si.c_str());
                plain.content.value = item.text;
                e = nimb::marshal_object(w, plain, prefix_.empty() ? "t" : (prefix_ + ":t").c_str());
                w.end_element(si.c_str());
            }
            if (e) break;
        }
        for (const std::string& markup : keptElements_) w.simple_content() << markup;
        w.end_element(root.c_str());
        text.flush();
        if (!e && w.failed()) e = w.capture_error(nimb::e_undefined, "sst", "xlsx/part_shared_strings", 0);
        if (error) *error = w.error_record();
    }
    if (!e) out.swap(written);
    return e;
}

// ---- the table -------------------------------------------------------------------

SharedStrings::SharedStrings() = default;

SharedStrings::SharedStrings(const char* data, std::size_t size)
{
    load(data, size);
    buildIndex();
}

void SharedStrings::buildIndex()
{
    index_.clear();
    index_.reserve(root_.items.size());
    // Of two equal plain items the later one is found.
    for (std::size_t i = 0; i < root_.items.size(); ++i)
        if (root_.items[i].plain()) index_[root_.items[i].text] = static_cast<std::uint32_t>(i);
}

std::uint32_t SharedStrings::addString(u16view text)
{
    if (!root_.hasCount) {
        root_.hasCount = true;
        root_.count = 1;
    }
    const u16string key(text);
    auto found = index_.find(key);
    if (found != index_.end()) return found->second;
    if (root_.items.size() >= 0x7FFFFFFFu) throw xlerror("too many shared strings");
    const auto position = static_cast<std::uint32_t>(root_.items.size());
    root_.items.push_back({key, nullptr, std::string()});
    try {
        index_.emplace(key, position);
    } catch (...) {
        root_.items.pop_back();
        throw;
    }
    root_.hasUniqueCount = true;
    root_.uniqueCount = static_cast<std::uint32_t>(root_.items.size());
    return position;
}

const u16string& SharedStrings::getString(std::uint32_t index) const
{
    if (index >= root_.items.size()) throw xlerror("index is out of range or no value");
    return root_.items[index].text;
}

void SharedStrings::serialize(std::string& out)
{
    if (root_.hasUniqueCount) root_.uniqueCount = static_cast<std::uint32_t>(root_.items.size());
    XmlFile::serialize(out);
}

bool SharedStrings::isRich(std::uint32_t index) const
{
    return index < root_.items.size() && !root_.items[index].plain();
}

}  // namespace celvo
