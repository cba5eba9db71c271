// Reading and writing rows and cells. The common forms of rows and cells
// are read straight from the document's bytes when the reader allows it
// (a document in memory, in UTF-8): a scanner takes whole row and cell
// elements whose every attribute and value it checks as the reader would,
// and leaves anything else (an inline string, an extension list, a comment,
// an entity of the document, a value a check would refuse...) to the
// reader, which reads it through the whole form of the cell, c_CT_Cell_Worker.
// Both ways give the same cells and the same errors.
#include "sheet_cells_io.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "celvo/cellref.h"
#include "ooxml/sml-sheet.h"
#include "ooxml/sml-sheet2.h"
#include "ooxml/sml-sheet3.h"
#include "sheet_cells.h"

namespace sheet {

namespace {

// An error about the item being read, through the reader's hook; returns
// the hook's answer.
int report(nimb::c_xml_reader& reader, nimb::enimb_error code, const std::string& item, int line)
{
    nimb::enimb_error c = reader.capture_error(code, item, sml_sheet2::source_label, line);
    return reader.on_error(c, item, sml_sheet2::source_label, line);
}

bool is_main(const nimb::c_name_record& r, const char* local)
{
    return r.ns_id == sml_sheet2::ns_default && r.local == local;
}

// Whether names without prefix are of the main namespace where the reader
// stands (the scanner takes such names only).
bool main_is_default(nimb::c_xml_reader& reader)
{
    return reader.getter().lookup_prefix(std::string()) == sml_sheet2::ns_default;
}

bool read_bool(std::string_view t, bool& v)
{
    if (t == "1" || t == "true") v = true;
    else if (t == "0" || t == "false") v = false;
    else return false;
    return true;
}

// A decimal number with an optional "-", fraction and exponent.
bool read_double(std::string_view t, double& v)
{
    std::size_t i = 0;
    if (i < t.size() && t[i] == '-') ++i;
    std::size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t e = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++e;
        if (e == 0) return false;
    }
    if (i != t.size()) return false;
    return std::from_chars(t.data(), t.data() + t.size(), v).ec == std::errc();
}

std::u16string widen(std::string_view t) { return nimb::utf8_to_wstring(std::string(t)); }
// A string value of the schema, its _xHHHH_ escapes decoded.
std::u16string widen_value(std::string_view t)
{
    std::u16string out;
    nimb::from_string_wstring(&out, std::string(t));
    return out;
}

// The length of the UTF-8 sequence at p, whose first byte is 0x80 or above,
// as the reader's decoder takes it; 0 when it would refuse it.
std::size_t utf8_length(const unsigned char* p, const unsigned char* end)
{
    unsigned lead = *p;
    int count;
    unsigned lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) count = 1;
    else if (lead == 0xE0) count = 2, lo = 0xA0;
    else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) count = 2;
    else if (lead == 0xED) count = 2, hi = 0x9F;
    else if (lead == 0xF0) count = 3, lo = 0x90;
    else if (lead >= 0xF1 && lead <= 0xF3) count = 3;
    else if (lead == 0xF4) count = 3, hi = 0x8F;
    else return 0;
    if (end - p < count + 1) return 0;
    for (int i = 1; i <= count; ++i) {
        unsigned b = p[i];
        if (i == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return 0;
    }
    return static_cast<std::size_t>(count) + 1;
}

// A scanner over the document's bytes that takes the plain forms only:
// every step answers false where the markup is of another kind, and the
// caller then goes back to a mark and leaves the rest to the reader.
class scanner {
public:
    struct mark {
        const char* p;
        int lines;
    };

    scanner(const char* begin, const char* end) : m_begin(begin), m_p(begin), m_end(end) {}

    std::size_t used() const { return static_cast<std::size_t>(m_p - m_begin); }
    int lines() const { return m_lines; }
    mark here() const { return {m_p, m_lines}; }
    void back(const mark& m)
    {
        m_p = m.p;
        m_lines = m.lines;
    }

    // White space (no carriage return: line ends are the reader's to fold).
    bool space()
    {
        while (m_p < m_end) {
            char c = *m_p;
            if (c == ' ' || c == '\t') ++m_p;
            else if (c == '\n') ++m_p, ++m_lines;
            else if (c == '\r') return false;
            else break;
        }
        return true;
    }

    bool literal(std::string_view s)
    {
        if (static_cast<std::size_t>(m_end - m_p) < s.size() || std::memcmp(m_p, s.data(), s.size()) != 0) return false;
        m_p += s.size();
        return true;
    }

    // A start tag "<name" of exactly this name.
    bool start_tag(std::string_view name)
    {
        mark m = here();
        if (literal("<") && literal(name) && m_p < m_end &&
            (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '>' || *m_p == '/'))
            return true;
        back(m);
        return false;
    }

    // An end tag "</name>".
    bool end_tag(std::string_view name)
    {
        mark m = here();
        if (literal("</") && literal(name) && space() && literal(">")) return true;
        back(m);
        return false;
    }

    // After the name of a start tag: the next attribute (true, with its
    // name and value), or the end of the tag (false; `closed` tells "/>"
    // from ">"). `ok` turns false on anything else.
    bool attribute(std::string_view& name, std::string_view& value, bool& closed, bool& ok)
    {
        const char* before = m_p;
        ok = space();
        if (!ok) return false;
        if (literal("/>")) {
            closed = true;
            return false;
        }
        if (literal(">")) {
            closed = false;
            return false;
        }
        // An attribute stands after white space.
        if (m_p == before) return ok = false;
        const char* start = m_p;
        while (m_p < m_end && (is_name_char(*m_p) || *m_p == ':')) ++m_p;
        if (m_p == start || !is_name_start(*start)) return ok = false;
        name = std::string_view(start, static_cast<std::size_t>(m_p - start));
        if (!space() || !literal("=") || !space() || m_p == m_end || (*m_p != '"' && *m_p != '\'')) return ok = false;
        char quote = *m_p++;
        start = m_p;
        while (m_p < m_end && *m_p != quote) {
            auto c = static_cast<unsigned char>(*m_p);
            if (c < 0x20 || c == '<' || c == '&') return ok = false;
            if (c < 0x80) {
                ++m_p;
                continue;
            }
            std::size_t n = utf8_length(reinterpret_cast<const unsigned char*>(m_p),
                                        reinterpret_cast<const unsigned char*>(m_end));
            if (n == 0) return ok = false;
            m_p += n;
        }
        if (m_p == m_end) return ok = false;
        value = std::string_view(start, static_cast<std::size_t>(m_p - start));
        ++m_p;
        return true;
    }

    // Element text up to the next "<", references resolved.
    bool text(std::string& out)
    {
        out.clear();
        for (;;) {
            const char* run = m_p;
            while (m_p < m_end) {
                auto c = static_cast<unsigned char>(*m_p);
                if (c < 0x20 || c >= 0x80 || c == '<' || c == '&') break;
                ++m_p;
            }
            out.append(run, static_cast<std::size_t>(m_p - run));
            if (m_p == m_end) return false;
            auto c = static_cast<unsigned char>(*m_p);
            if (c == '<') return true;
            if (c == '&') {
                if (!reference(out)) return false;
            } else if (c == '\n') {
                out.push_back('\n');
                ++m_p;
                ++m_lines;
            } else if (c == '\t') {
                out.push_back('\t');
                ++m_p;
            } else if (c >= 0x80) {
                std::size_t n = utf8_length(reinterpret_cast<const unsigned char*>(m_p),
                                            reinterpret_cast<const unsigned char*>(m_end));
                if (n == 0) return false;
                out.append(m_p, n);
                m_p += n;
            } else {
                return false;  // a carriage return or another control character
            }
        }
    }

private:
    static bool is_name_start(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool is_name_char(char c)
    {
        return is_name_start(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
    }

    // A predefined entity or a character reference, after which m_p stands.
    bool reference(std::string& out)
    {
        static const struct {
            const char* name;
            char c;
        } entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (const auto& e : entities)
            if (literal(e.name)) {
                out.push_back(e.c);
                return true;
            }
        if (!literal("&#")) return false;
        bool hex = literal("x");
        std::uint32_t cp = 0;
        int digits = 0;
        while (m_p < m_end && *m_p != ';') {
            char c = *m_p;
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else return false;
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            if (cp > 0x10FFFF || ++digits > 8) return false;
            ++m_p;
        }
        if (digits == 0 || !literal(";") || !nimb::is_xml_char(cp) || cp == '\r') return false;
        char buf[8];
        out.append(buf, static_cast<std::size_t>(nimb::utf8_encode(cp, buf)));
        return true;
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    int m_lines = 0;
};

// The attributes of a formula, read into it; false for any other.
bool formula_attribute(c_CT_CellFormula& f, std::string_view name, std::string_view value)
{
    bool b;
    std::uint32_t n;
    auto flag = [&](nimb::c_simple<bool>& holder) {
        if (holder.present || !read_bool(value, b)) return false;
        holder.set(b);
        return true;
    };
    auto text = [&](nimb::c_simple<std::u16string>& holder) {
        if (holder.present) return false;
        holder.set(widen_value(value));
        return true;
    };
    if (name == "t") {
        if (f.t.present || !(value == "normal" || value == "array" || value == "dataTable" || value == "shared"))
            return false;
        f.t.set(widen(value));
        return true;
    }
    if (name == "ref") return text(f.ref);
    if (name == "si") {
        if (f.si.present || !read_unsigned(value, n)) return false;
        f.si.set(n);
        return true;
    }
    if (name == "ca") return flag(f.ca);
    if (name == "aca") return flag(f.aca);
    if (name == "dt2D") return flag(f.dt2D);
    if (name == "dtr") return flag(f.dtr);
    if (name == "del1") return flag(f.del1);
    if (name == "del2") return flag(f.del2);
    if (name == "bx") return flag(f.bx);
    if (name == "r1") return text(f.r1);
    if (name == "r2") return text(f.r2);
    return false;
}

// One "c" element of the plain kind into `cell`, its column from "r" or the
// one after `next_column`.
bool scan_cell(scanner& s, std::uint32_t& next_column, c_CT_Cell& cell, std::string& buf)
{
    if (!s.start_tag("c")) return false;
    std::uint32_t col = next_column, style = 0, cm = 0, vm = 0, row;
    unsigned type = cell_type_absent;
    bool has_r = false, has_s = false, has_t = false, has_cm = false, has_vm = false, has_ph = false, ph = false;
    bool closed = false, ok = true;
    std::string_view name, value;
    while (s.attribute(name, value, closed, ok)) {
        if (name == "r") {
            if (has_r || !celvo::parseCellRefA1(value.data(), value.size(), row, col)) return false;
            has_r = true;
        } else if (name == "s") {
            if (has_s || !read_unsigned(value, style)) return false;
            has_s = true;
        } else if (name == "t") {
            type = cell_type_code(value);
            if (has_t || type == cell_type_absent) return false;
            has_t = true;
        } else if (name == "cm") {
            if (has_cm || !read_unsigned(value, cm)) return false;
            has_cm = true;
        } else if (name == "vm") {
            if (has_vm || !read_unsigned(value, vm)) return false;
            has_vm = true;
        } else if (name == "ph") {
            if (has_ph || !read_bool(value, ph)) return false;
            has_ph = true;
        } else {
            return false;
        }
    }
    if (!ok || col > c_CT_Cell::max_column) return false;
    cell = c_CT_Cell(col);
    if (has_s) cell.set_s(style);
    cell.set_type(type);
    if (has_cm) cell.set_cm(cm);
    if (has_vm) cell.set_vm(vm);
    if (has_ph) cell.set_ph(ph);
    if (!closed) {
        if (!s.space()) return false;
        if (s.start_tag("f")) {
            c_CT_CellFormula& f = *cell.get_f();
            while (s.attribute(name, value, closed, ok))
                if (!formula_attribute(f, name, value)) return false;
            if (!ok) return false;
            if (closed) {
                f.content.set(std::u16string());
            } else {
                if (!s.text(buf) || !s.end_tag("f")) return false;
                f.content.set(widen_value(buf));
            }
            if (!s.space()) return false;
        }
        if (s.start_tag("v")) {
            if (s.attribute(name, value, closed, ok) || !ok) return false;
            if (closed) {
                buf.clear();
            } else if (!s.text(buf) || !s.end_tag("v")) {
                return false;
            }
            nimb::decode_x_escapes(buf);
            cell.set_value_as_read(buf);
            if (!s.space()) return false;
        }
        if (!s.end_tag("c")) return false;
    }
    next_column = col + 1;
    return true;
}

// The column of a cell read through its whole form: from "r", or the one
// after the previous cell. False when the cell has no place on the sheet
// (reported; `error` is the hook's answer, 0 to go on without the cell).
bool worker_column(nimb::c_xml_reader& reader, const c_CT_Cell_Worker& w, std::uint32_t next_column,
                   std::uint32_t& col, nimb::enimb_error& error)
{
    error = nimb::e_no_error;
    if (w.r.present) {
        std::string r = nimb::wstring_to_utf8(w.r.value);
        std::uint32_t row;
        if (celvo::parseCellRefA1(r.data(), r.size(), row, col)) return true;
        error = static_cast<nimb::enimb_error>(report(reader, nimb::e_invalid_value_format, "@r", 10));
        return false;
    }
    if (next_column <= c_CT_Cell::max_column) {
        col = next_column;
        return true;
    }
    error = static_cast<nimb::enimb_error>(report(reader, nimb::e_value_above_maximum, "@r", 11));
    return false;
}

// Moves the reader to the next element event; false when the hook stops.
bool next_event(nimb::c_xml_reader& reader, nimb::enimb_error& error, int line)
{
    nimb::enimb_error e;
    reader.scan_element_event(e, reader.current_name());
    if (!e) return true;
    std::string item = reader.element_name_at(reader.innermost_element_offset());
    if (int answer = report(reader, e, item, line)) {
        error = static_cast<nimb::enimb_error>(answer);
        return false;
    }
    return true;
}

// One "row" element of the plain kind: attributes of the row and plain
// cells only.
std::unique_ptr<c_CT_Row> scan_row(scanner& s, nimb::c_xml_reader& reader, std::string& buf,
                                   std::vector<c_CT_Cell>& cells)
{
    if (!s.start_tag("row")) return nullptr;
    auto row = std::make_unique<c_CT_Row>();
    c_CT_Row& r = *row;
    bool closed = false, ok = true, b;
    std::uint32_t n;
    double d;
    std::string_view name, value;
    auto flag = [&](nimb::c_simple<bool>& holder) {
        if (holder.present || !read_bool(value, b)) return false;
        holder.set(b);
        return true;
    };
    while (s.attribute(name, value, closed, ok)) {
        bool taken;
        if (name == "r") {
            taken = !r.r.present && read_unsigned(value, n) && n >= 1 && n <= max_row_index + 1;
            if (taken) r.r.set(n);
        } else if (name == "spans") {
            taken = !r.spans.present;
            if (taken) {
                r.spans.present = true;
                std::size_t i = 0;
                while (i < value.size()) {
                    while (i < value.size() && value[i] == ' ') ++i;
                    std::size_t start = i;
                    while (i < value.size() && value[i] != ' ') ++i;
                    if (i > start) {
                        std::u16string item = widen(value.substr(start, i - start));
                        nimb::decode_x_escapes(item);  // a string list, escaped as strings are
                        r.spans.items.push_back(std::move(item));
                    }
                }
            }
        } else if (name == "s") {
            taken = !r.s.present && read_unsigned(value, n);
            if (taken) r.s.set(n);
        } else if (name == "ht") {
            taken = !r.ht.present && read_double(value, d);
            if (taken) r.ht.set(d);
        } else if (name == "outlineLevel") {
            taken = !r.outlineLevel.present && read_unsigned(value, n) && n <= 255;
            if (taken) r.outlineLevel.set(static_cast<unsigned char>(n));
        } else if (name == "customFormat") {
            taken = flag(r.customFormat);
        } else if (name == "hidden") {
            taken = flag(r.hidden);
        } else if (name == "customHeight") {
            taken = flag(r.customHeight);
        } else if (name == "collapsed") {
            taken = flag(r.collapsed);
        } else if (name == "thickTop") {
            taken = flag(r.thickTop);
        } else if (name == "thickBot") {
            taken = flag(r.thickBot);
        } else if (name == "ph") {
            taken = flag(r.ph);
        } else {
            // Attributes of later editions are kept, those of other
            // namespaces with their namespace.
            std::string uri;
            std::size_t colon = name.find(':');
            if (colon != std::string_view::npos) {
                std::string prefix(name.substr(0, colon));
                if (prefix == "xmlns" || prefix == "xml") return nullptr;
                unsigned id = reader.getter().lookup_prefix(prefix);
                if (id == nimb::ns_undeclared || id == nimb::ns_none) return nullptr;
                uri = reader.getter().namespace_uri(id);
            } else if (name == "xmlns") {
                return nullptr;
            }
            for (std::size_t i = 0; r.kept() && i < r.kept()->attributes.size(); ++i)
                if (r.kept()->attributes[i].name == name) return nullptr;
            *r.kept_content().attributes.append() = nimb::c_any_info(uri, std::string(name), std::string(value));
            taken = true;
        }
        if (!taken) return nullptr;
    }
    if (!ok) return nullptr;
    if (closed) return row;
    std::uint32_t next_column = 0;
    cells.clear();
    for (;;) {
        if (!s.space()) return nullptr;
        if (s.end_tag("row")) break;
        cells.emplace_back();
        if (!scan_cell(s, next_column, cells.back(), buf)) return nullptr;
    }
    r.cells.assign_read(cells);
    return row;
}

// A row read: its place from "r", or the one after the row before it; then
// into the sheet's rows. False when the hook stops on a row that has no
// place on the sheet (a forgiven one is left out).
bool take_row(nimb::c_xml_reader& reader, std::unique_ptr<c_CT_Row> row, std::uint32_t& previous,
              c_CT_SheetData& data, nimb::enimb_error& error)
{
    nimb::enimb_error code = nimb::e_no_error;
    if (!row->r.present) {
        if (previous > max_row_index) code = nimb::e_value_above_maximum;
        else row->set_r(previous + 1);
    } else if (row->r.value == 0) {
        code = nimb::e_value_below_minimum;
    } else if (row->r.value > max_row_index + 1) {
        code = nimb::e_value_above_maximum;
    }
    if (code) {
        if (int answer = report(reader, code, "@r", 20)) {
            error = static_cast<nimb::enimb_error>(answer);
            return false;
        }
        return true;
    }
    previous = row->r.value;
    data.rows.append_unsorted(std::move(row));
    return true;
}

// The names of a row's children where the row is written (a document read
// may use a prefix for the main namespace), and the writer's layout at the
// cells' level, for cells written into a buffer of their own.
struct cell_layout {
    std::string c, f, v;
    std::string open_c;      // indentation and "<c"
    std::string separator;   // before an attribute after the first
    std::string tag_end;     // ">" and a line end
    std::string empty_end;   // "/>" and a line end
    std::string open_v;      // indentation and "<v>"
    std::string open_v_preserve;  // the same with xml:space="preserve"
    std::string close_v;     // "</v>" and a line end
    std::string close_c;     // indentation, "</c>" and a line end
    bool resolved = true;
};

std::string child_name(nimb::c_xml_writer& w, const char* name, bool& resolved)
{
    std::vector<std::pair<std::string, std::string>> declare;
    std::string out = w.resolve_name(name, sml_sheet2::namespace_table, false, declare);
    if (!declare.empty()) resolved = false;
    return out;
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The layout that the writer gives a child of the element being written:
// indentation per level, the first attribute on the tag's line, later ones
// after the attribute separator.
void lay_out(nimb::c_xml_writer& w, cell_layout& l)
{
    l.c = child_name(w, "c", l.resolved);
    l.f = child_name(w, "f", l.resolved);
    l.v = child_name(w, "v", l.resolved);
    int level = w.level();
    const std::string& line_end = w.line_end_string();
    l.open_c = repeat(w.indent_string(), level) + "<" + l.c;
    const std::string& ale = w.attribute_line_end_string();
    const std::string& ai = w.attribute_indent_string();
    // (The writer indents a later attribute one level below its element,
    // which stands one level below the cells' parent.)
    if (!ale.empty()) l.separator = ale + repeat(ai, level + 2);
    else if (ai.empty()) l.separator = " ";
    else l.separator = ai;
    l.tag_end = ">" + line_end;
    l.empty_end = "/>" + line_end;
    l.open_v = repeat(w.indent_string(), level + 1) + "<" + l.v + ">";
    l.open_v_preserve = repeat(w.indent_string(), level + 1) + "<" + l.v + " xml:space=\"preserve\">";
    l.close_v = "</" + l.v + ">" + line_end;
    l.close_c = (level > 0 ? repeat(w.indent_string(), level) : std::string()) + "</" + l.c + ">" + line_end;
}

// Whether a text starts or ends with white space (its "v" then says that
// the space is kept).
bool edge_space(const std::string& t)
{
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return !t.empty() && (space(t.front()) || space(t.back()));
}

std::string& scratch_text()
{
    static thread_local std::string text;
    return text;
}

// The attributes of a packed cell into the buffer.
void cell_attributes(std::string& out, const c_CT_Cell& cell, const char* ref, std::size_t ref_size,
                     const cell_layout& l)
{
    char num[16];
    auto number = [&](const char* attribute, std::uint32_t v) {
        out += l.separator;
        out += attribute;
        auto r = std::to_chars(num, num + sizeof num, v);
        out.append(num, static_cast<std::size_t>(r.ptr - num));
        out += '"';
    };
    out += " r=\"";
    out.append(ref, ref_size);
    out += '"';
    if (cell.has_s()) number("s=\"", cell.s());
    if (cell.type() != cell_type_absent) {
        out += l.separator;
        out += "t=\"";
        out += cell.get_t();
        out += '"';
    }
    if (cell.has_cm()) number("cm=\"", cell.cm());
    if (cell.has_vm()) number("vm=\"", cell.vm());
    if (cell.has_ph()) {
        out += l.separator;
        out += cell.ph() ? "ph=\"1\"" : "ph=\"0\"";
    }
}

// A cell of the packed kind: written whole into the buffer and then to the
// stream, but for a formula, which its class writes.
nimb::enimb_error write_packed_cell(nimb::c_xml_writer& w, const c_CT_Cell& cell, std::uint32_t row,
                                    const cell_layout& l, std::string& buf)
{
    char ref[celvo::kCellRefA1Max];
    std::size_t n = celvo::formatCellRefA1(ref, row, cell.column());
    if (n == 0)
        return static_cast<nimb::enimb_error>(
            w.handle_error(nimb::e_undefined, "CT_Cell", sml_sheet2::source_label, 30));
    std::ostream& o = w.stream();
    buf.clear();
    if (const c_CT_CellFormula* f = cell.formula()) {
        // Through the writer's frames, so that the formula's class writes it.
        nimb::c_writer_element_scope frame(w);
        w.start_element(l.c.c_str());
        cell_attributes(buf, cell, ref, n, l);
        o.write(buf.data(), static_cast<std::streamsize>(buf.size()));
        if (nimb::enimb_error e = nimb::marshal_object(w, *f, l.f.c_str())) return e;
        if (cell.has_value()) {
            c_ST_Xstring_space v;
            v.content.set(cell.value_wtext());
            if (nimb::enimb_error e = nimb::marshal_object(w, v, l.v.c_str())) return e;
        }
        w.end_element(l.c.c_str());
        return nimb::e_no_error;
    }
    buf += l.open_c;
    cell_attributes(buf, cell, ref, n, l);
    if (!cell.has_value()) {
        buf += l.empty_end;
        o.write(buf.data(), static_cast<std::streamsize>(buf.size()));
        return nimb::e_no_error;
    }
    buf += l.tag_end;
    if (cell.kind() == value_kind::text) {
        std::string& text = scratch_text();
        text.clear();
        cell.append_value_text(text);
        buf += edge_space(text) ? l.open_v_preserve : l.open_v;
        o.write(buf.data(), static_cast<std::streamsize>(buf.size()));
        nimb::write_escaped_value(o, text, false);
        buf.clear();
    } else {
        buf += l.open_v;
        cell.append_value_text(buf);
    }
    buf += l.close_v;
    buf += l.close_c;
    o.write(buf.data(), static_cast<std::streamsize>(buf.size()));
    return nimb::e_no_error;
}

}  // namespace

bool read_unsigned(std::string_view t, std::uint32_t& v)
{
    if (t.empty() || t.size() > 10) return false;
    std::uint64_t n = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > 0xFFFFFFFFu) return false;
    v = static_cast<std::uint32_t>(n);
    return true;
}

bool read_row_content(nimb::c_xml_reader& reader, c_CT_Row& row, nimb::enimb_error& error)
{
    std::uint32_t next_column = 0;
    std::string buf;
    std::vector<c_CT_Cell> cells;
    for (auto& c : row.cells) cells.push_back(std::move(c));
    while (reader.token() == nimb::tok_name && is_main(reader.name_record(), "c")) {
        // A cell whose start tag the reader has read: through its whole form.
        c_CT_Cell_Worker w;
        if ((error = nimb::unmarshal_object(reader, w, reader.current_name()))) return false;
        std::uint32_t col;
        if (worker_column(reader, w, next_column, col, error)) {
            cells.emplace_back(col);
            cells.back().from_worker(w);
            next_column = col + 1;
        } else if (error) {
            return false;
        }
        // The plain cells that follow, straight from the bytes.
        const char *begin, *end;
        if (main_is_default(reader) && reader.raw_input(begin, end)) {
            scanner s(begin, end);
            for (;;) {
                scanner::mark m = s.here();
                c_CT_Cell cell;
                if (!s.space() || !scan_cell(s, next_column, cell, buf)) {
                    s.back(m);
                    break;
                }
                cells.push_back(std::move(cell));
            }
            reader.skip_raw_input(s.used(), s.lines());
        }
        if (!next_event(reader, error, 12)) return false;
    }
    row.cells.assign_read(cells);
    return nimb::read_children_in_order(reader, row, error);
}

nimb::enimb_error write_row_content(nimb::c_xml_writer& w, const c_CT_Row& row)
{
    if (!row.cells.empty()) {
        if (!row.r.present || row.r.value == 0)
            return static_cast<nimb::enimb_error>(
                w.handle_error(nimb::e_required_attribute_missing, "CT_Row", sml_sheet2::source_label, 31));
        std::uint32_t index = row.r.value - 1;
        cell_layout layout;
        lay_out(w, layout);
        if (!layout.resolved)
            return static_cast<nimb::enimb_error>(
                w.handle_error(nimb::e_undefined, "CT_Row", sml_sheet2::source_label, 32));
        w.open_child_content();
        std::string buf;
        for (const c_CT_Cell& cell : row.cells) {
            nimb::enimb_error e;
            if (cell.inline_string() || cell.extension_list() || cell.kept()) {
                c_CT_Cell_Worker whole;
                if (!cell.to_worker(index, whole))
                    return static_cast<nimb::enimb_error>(
                        w.handle_error(nimb::e_undefined, "CT_Cell", sml_sheet2::source_label, 33));
                e = nimb::marshal_object(w, whole, "c");
            } else {
                e = write_packed_cell(w, cell, index, layout, buf);
            }
            if (e) return e;
        }
    }
    return nimb::write_children_in_order(w, row);
}

bool read_sheet_rows(nimb::c_xml_reader& reader, c_CT_SheetData& data, nimb::enimb_error& error)
{
    std::uint32_t previous = 0;
    std::string buf;
    std::vector<c_CT_Cell> cells;
    while (reader.token() == nimb::tok_name && is_main(reader.name_record(), "row")) {
        // A row whose start tag the reader has read: through its class.
        auto row = std::make_unique<c_CT_Row>();
        if ((error = nimb::unmarshal_object(reader, *row, reader.current_name()))) return false;
        if (!take_row(reader, std::move(row), previous, data, error)) return false;
        // The plain rows that follow, straight from the bytes.
        const char *begin, *end;
        if (main_is_default(reader) && reader.raw_input(begin, end)) {
            scanner s(begin, end);
            for (;;) {
                scanner::mark m = s.here();
                std::unique_ptr<c_CT_Row> plain;
                if (!s.space() || !(plain = scan_row(s, reader, buf, cells))) {
                    s.back(m);
                    break;
                }
                if (!take_row(reader, std::move(plain), previous, data, error)) return false;
            }
            reader.skip_raw_input(s.used(), s.lines());
        }
        if (!next_event(reader, error, 21)) return false;
    }
    data.rows.normalise();
    return nimb::read_children_in_order(reader, data, error);
}

nimb::enimb_error write_sheet_rows(nimb::c_xml_writer& w, const c_CT_SheetData& data)
{
    for (const c_CT_Row& row : data.rows)
        if (nimb::enimb_error e = nimb::marshal_object(w, row, "row")) return e;
    return nimb::write_children_in_order(w, data);
}

}  // namespace sheet
