// The packed cell, the cell and row stores, and the conversion between a
// packed cell and its whole form.
#include "sheet_cells.h"
#include "sheet_cells_io.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "celvo/cellref.h"
#include "celvo/numtext.h"
#include "nimb/values.h"
#include "ooxml/sml-sheet.h"
#include "ooxml/sml-sheet2.h"

namespace sheet {

// ---------------------------------------------------------------------------
// Types

namespace {

const char* const type_texts[] = {"n", "b", "n", "e", "s", "str", "inlineStr", "d"};

template <class View>
unsigned type_code_of(View text)
{
    for (unsigned code = 1; code < 8; ++code) {
        const char* t = type_texts[code];
        std::size_t n = std::strlen(t);
        if (text.size() != n) continue;
        bool same = true;
        for (std::size_t i = 0; i < n && same; ++i) same = text[i] == static_cast<typename View::value_type>(t[i]);
        if (same) return code;
    }
    return cell_type_absent;
}

}  // namespace

unsigned cell_type_code(std::u16string_view text) { return type_code_of(text); }
unsigned cell_type_code(std::string_view text) { return type_code_of(text); }
const char* cell_type_text(unsigned code) { return type_texts[code & 7u]; }

// ---------------------------------------------------------------------------
// Numbers: which of them are held as doubles

namespace {

// How a number read from a part was written, so that it is written back so.
enum : unsigned {
    form_shortest = 0,  // the fewest digits that read back the same
    form_digits17 = 1,  // seventeen significant digits ("%.17g")
};

std::size_t write_number(char* out, double v, unsigned form)
{
    if (form == form_digits17) {
        auto r = std::to_chars(out, out + celvo::kShortestMax, v, std::chars_format::general, 17);
        return static_cast<std::size_t>(r.ptr - out);
    }
    return celvo::formatShortest(out, v);
}

// Whether text, a plain decimal of at most 15 significant digits with
// nothing to spare (no sign but "-", no leading or trailing zero, no
// exponent) and of a size written without exponent, is how its double is
// written in the shortest form. Such texts need no formatting to tell.
bool plain_shortest(std::string_view t)
{
    std::size_t i = 0;
    if (i < t.size() && t[i] == '-') ++i;
    std::size_t int_start = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    std::size_t int_len = i - int_start;
    if (int_len == 0 || (int_len > 1 && t[int_start] == '0')) return false;
    std::size_t frac_start = i, frac_len = 0;
    if (i < t.size() && t[i] == '.') {
        frac_start = ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        frac_len = i - frac_start;
        if (frac_len == 0 || t[i - 1] == '0') return false;
    }
    if (i != t.size()) return false;
    // Decimal exponent and significant digits.
    int exponent;
    std::size_t first, last;  // positions of the first and last nonzero digit
    bool zero_int = int_len == 1 && t[int_start] == '0';
    if (!zero_int) {
        exponent = static_cast<int>(int_len) - 1;
        first = int_start;
    } else {
        if (frac_len == 0) return true;  // "0" or "-0"
        std::size_t z = 0;
        while (z < frac_len && t[frac_start + z] == '0') ++z;
        exponent = -static_cast<int>(z) - 1;
        first = frac_start + z;
    }
    if (exponent < -4 || exponent > 16) return false;
    last = t.size() - 1;
    if (frac_len == 0)
        while (last > first && t[last] == '0') --last;
    std::size_t digits = 0;
    for (std::size_t k = first; k <= last; ++k)
        if (t[k] != '.') ++digits;
    return digits <= 15;
}

// Reads a number as a part writes it; false for anything else.
bool read_number(std::string_view t, double& v)
{
    if (t.empty() || !(t[0] == '-' || (t[0] >= '0' && t[0] <= '9') || t[0] == '.')) return false;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

// Whether t is a number written as one of the forms; the form in `form`.
bool number_form_of(std::string_view t, double& v, unsigned& form)
{
    if (!read_number(t, v)) return false;
    if (plain_shortest(t)) {
        form = form_shortest;
        return true;
    }
    char buf[celvo::kShortestMax];
    for (unsigned f : {form_shortest, form_digits17}) {
        std::size_t n = write_number(buf, v, f);
        if (n == t.size() && std::memcmp(buf, t.data(), n) == 0) {
            form = f;
            return true;
        }
    }
    return false;
}

// An unsigned decimal without sign or leading zero that fits 32 bits.
bool read_index(std::string_view t, std::uint32_t& v)
{
    return !(t.size() > 1 && t[0] == '0') && read_unsigned(t, v);
}

std::size_t write_index(char* out, std::uint32_t v)
{
    auto r = std::to_chars(out, out + 16, v);
    return static_cast<std::size_t>(r.ptr - out);
}

template <class T>
std::unique_ptr<T> clone_of(const std::unique_ptr<T>& p)
{
    return p ? std::unique_ptr<T>(static_cast<T*>(p->clone())) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// The packed cell

// What few cells hold beyond the packed form; the value too, when the cell
// has this block.
struct c_cell_extra {
    double number = 0;
    std::uint32_t index = 0;
    std::string text;
    std::unique_ptr<c_CT_CellFormula> f;
    std::unique_ptr<c_CT_Rst> is;
    std::unique_ptr<c_CT_ExtensionList> ext;
    nimb::c_simple<std::uint32_t> cm, vm;
    std::unique_ptr<nimb::c_kept> kept;

    c_cell_extra() = default;
    c_cell_extra(const c_cell_extra& o)
        : number(o.number), index(o.index), text(o.text), f(clone_of(o.f)), is(clone_of(o.is)), ext(clone_of(o.ext)),
          cm(o.cm), vm(o.vm), kept(o.kept ? new nimb::c_kept(*o.kept) : nullptr)
    {
    }
    c_cell_extra& operator=(const c_cell_extra&) = delete;
};

c_CT_Cell::c_CT_Cell(const c_CT_Cell& o) : m_bits(o.m_bits), m_style(o.m_style), m_value(o.m_value)
{
    if (has_extra()) m_value.extra = new c_cell_extra(*o.m_value.extra);
}

c_CT_Cell::~c_CT_Cell()
{
    if (has_extra()) delete m_value.extra;
}

c_cell_extra& c_CT_Cell::extra()
{
    if (has_extra()) return *m_value.extra;
    auto* x = new c_cell_extra();
    switch (kind()) {
    case value_kind::number: x->number = m_value.number; break;
    case value_kind::index: x->index = m_value.index; break;
    case value_kind::text: x->text.assign(m_value.text, short_length()); break;
    case value_kind::none: break;
    }
    m_value.extra = x;
    m_bits = (m_bits & ~short_mask) | has_extra_bit;
    return *x;
}

bool c_CT_Cell::has_cm() const noexcept { return has_extra() && m_value.extra->cm.present; }
std::uint32_t c_CT_Cell::cm() const noexcept { return has_cm() ? m_value.extra->cm.value : 0; }
void c_CT_Cell::set_cm(std::uint32_t index) { extra().cm.set(index); }
void c_CT_Cell::unset_cm() noexcept
{
    if (has_extra()) m_value.extra->cm.clear_value();
}
bool c_CT_Cell::has_vm() const noexcept { return has_extra() && m_value.extra->vm.present; }
std::uint32_t c_CT_Cell::vm() const noexcept { return has_vm() ? m_value.extra->vm.value : 0; }
void c_CT_Cell::set_vm(std::uint32_t index) { extra().vm.set(index); }
void c_CT_Cell::unset_vm() noexcept
{
    if (has_extra()) m_value.extra->vm.clear_value();
}

double c_CT_Cell::number() const noexcept
{
    if (kind() != value_kind::number) return 0;
    return has_extra() ? m_value.extra->number : m_value.number;
}

std::uint32_t c_CT_Cell::index() const noexcept
{
    if (kind() != value_kind::index) return 0;
    return has_extra() ? m_value.extra->index : m_value.index;
}

void c_CT_Cell::append_value_text(std::string& out) const
{
    char buf[celvo::kShortestMax];
    switch (kind()) {
    case value_kind::none: return;
    case value_kind::number: out.append(buf, write_number(buf, number(), number_form())); return;
    case value_kind::index: out.append(buf, write_index(buf, index())); return;
    case value_kind::text:
        if (has_extra()) out += m_value.extra->text;
        else out.append(m_value.text, short_length());
        return;
    }
}

std::string c_CT_Cell::value_text() const
{
    std::string out;
    append_value_text(out);
    return out;
}

std::u16string c_CT_Cell::value_wtext() const { return nimb::utf8_to_wstring(value_text()); }

bool c_CT_Cell::value_as_number(double& out) const noexcept
{
    switch (kind()) {
    case value_kind::number: out = number(); return true;
    case value_kind::index: out = index(); return true;
    case value_kind::text: {
        std::string_view t = has_extra() ? std::string_view(m_value.extra->text)
                                         : std::string_view(m_value.text, short_length());
        return read_number(t, out);
    }
    case value_kind::none: break;
    }
    return false;
}

void c_CT_Cell::store_number(double v, unsigned form) noexcept
{
    if (has_extra()) {
        m_value.extra->number = v;
        m_value.extra->text.clear();
    } else {
        m_value.number = v;
        m_bits &= ~short_mask;
    }
    set_kind(value_kind::number);
    set_number_form(form);
}

void c_CT_Cell::store_index(std::uint32_t v) noexcept
{
    if (has_extra()) {
        m_value.extra->index = v;
        m_value.extra->text.clear();
    } else {
        m_value.number = 0;
        m_value.index = v;
        m_bits &= ~short_mask;
    }
    set_kind(value_kind::index);
    set_number_form(form_shortest);
}

void c_CT_Cell::store_text(std::string_view utf8)
{
    if (!has_extra() && utf8.size() <= sizeof m_value.text) {
        m_value.number = 0;
        std::memcpy(m_value.text, utf8.data(), utf8.size());
        m_bits = (m_bits & ~short_mask) | (static_cast<std::uint32_t>(utf8.size()) << short_shift);
    } else {
        extra().text.assign(utf8.data(), utf8.size());
    }
    set_kind(value_kind::text);
    set_number_form(form_shortest);
}

bool c_CT_Cell::set_number(double value) noexcept
{
    if (!std::isfinite(value)) return false;
    store_number(value, form_shortest);
    return true;
}

void c_CT_Cell::set_index(std::uint32_t value) noexcept { store_index(value); }
void c_CT_Cell::set_text(std::string_view utf8) { store_text(utf8); }
void c_CT_Cell::set_text(std::u16string_view text) { store_text(nimb::wstring_to_utf8(std::u16string(text))); }

void c_CT_Cell::set_value_as_read(std::string_view t)
{
    unsigned code = type();
    if (code == cell_type_s || code == cell_type_b) {
        std::uint32_t v;
        if (read_index(t, v)) {
            store_index(v);
            return;
        }
    } else if (code == cell_type_absent || code == cell_type_n) {
        double v;
        unsigned form;
        if (number_form_of(t, v, form)) {
            store_number(v, form);
            return;
        }
    }
    store_text(t);
}

void c_CT_Cell::clear_value() noexcept
{
    if (has_extra()) m_value.extra->text.clear();
    else m_value.number = 0;
    m_bits &= ~(short_mask | form_mask);
    set_kind(value_kind::none);
}

const c_CT_CellFormula* c_CT_Cell::formula() const noexcept
{
    const c_cell_extra* x = extra_if();
    return x ? x->f.get() : nullptr;
}

c_CT_CellFormula* c_CT_Cell::get_f()
{
    c_cell_extra& x = extra();
    if (!x.f) x.f.reset(new c_CT_CellFormula());
    return x.f.get();
}

void c_CT_Cell::erase_formula() noexcept
{
    if (has_extra()) m_value.extra->f.reset();
}

const c_CT_Rst* c_CT_Cell::inline_string() const noexcept
{
    const c_cell_extra* x = extra_if();
    return x ? x->is.get() : nullptr;
}

c_CT_Rst* c_CT_Cell::get_is()
{
    c_cell_extra& x = extra();
    if (!x.is) x.is.reset(new c_CT_Rst());
    return x.is.get();
}

void c_CT_Cell::erase_inline_string() noexcept
{
    if (has_extra()) m_value.extra->is.reset();
}

const c_CT_ExtensionList* c_CT_Cell::extension_list() const noexcept
{
    const c_cell_extra* x = extra_if();
    return x ? x->ext.get() : nullptr;
}

const nimb::c_kept* c_CT_Cell::kept() const noexcept
{
    const c_cell_extra* x = extra_if();
    return x ? x->kept.get() : nullptr;
}

void c_CT_Cell::reset() noexcept
{
    if (has_extra()) delete m_value.extra;
    m_bits &= col_mask;
    m_style = 0;
    m_value.number = 0;
}

bool c_CT_Cell::to_worker(std::uint32_t row, c_CT_Cell_Worker& w) const
{
    char ref[celvo::kCellRefA1Max];
    std::size_t n = celvo::formatCellRefA1(ref, row, column());
    if (n == 0) return false;
    w.r.set(std::u16string(ref, ref + n));
    if (has_s()) w.s.set(m_style);
    if (type() != cell_type_absent) w.t.set(nimb::utf8_to_wstring(get_t()));
    if (has_cm()) w.cm.set(cm());
    if (has_vm()) w.vm.set(vm());
    if (has_ph()) w.ph.set(ph());
    if (const c_cell_extra* x = extra_if()) {
        if (x->f) w.f.reset(x->f->clone());
        if (x->is) w.is.reset(x->is->clone());
        if (x->ext) w.extLst.reset(x->ext->clone());
        if (x->kept) w.kept_content() = *x->kept;
    }
    if (has_value()) w.get_v()->content.set(nimb::utf8_to_wstring(value_text()));
    return true;
}

void c_CT_Cell::from_worker(c_CT_Cell_Worker& w)
{
    reset();
    if (w.s.present) set_s(w.s.value);
    if (w.t.present) set_type(cell_type_code(std::u16string_view(w.t.value)));
    if (w.cm.present) set_cm(w.cm.value);
    if (w.vm.present) set_vm(w.vm.value);
    if (w.ph.present) set_ph(w.ph.value);
    if (w.f.has()) extra().f.reset(w.f.release());
    if (w.is.has()) extra().is.reset(w.is.release());
    if (w.extLst.has()) extra().ext.reset(w.extLst.release());
    if (const nimb::c_kept* k = w.kept())
        if (!k->attributes.empty() || !k->elements.empty() || !k->declarations.empty())
            extra().kept.reset(new nimb::c_kept(*k));
    if (const c_ST_Xstring_space* v = w.v.peek()) set_value_as_read(nimb::wstring_to_utf8(v->content.value));
}

// ---------------------------------------------------------------------------
// The cells of a row

c_CT_Cell* c_cell_list::find_or_create(std::uint32_t column, bool* created)
{
    if (created) *created = false;
    if (column > c_CT_Cell::max_column) return nullptr;
    if (c_CT_Cell* c = m_cells.find(column)) return c;
    if (created) *created = true;
    return &m_cells.insert(c_CT_Cell(column));
}

bool c_cell_list::shift(std::uint32_t first, std::int64_t delta)
{
    if (delta == 0) return true;
    auto it = m_cells.lower_bound(first);
    if (it == m_cells.end()) return true;
    std::int64_t lo = static_cast<std::int64_t>(it->column()) + delta;
    std::int64_t hi = static_cast<std::int64_t>(m_cells.back()->column()) + delta;
    if (lo < 0 || hi > static_cast<std::int64_t>(c_CT_Cell::max_column)) return false;
    if (delta < 0) {
        auto prev = m_cells.lower_bound(0);
        std::int64_t previous = -1;
        for (; prev != it; ++prev) previous = prev->column();
        if (lo <= previous) return false;
    }
    for (; it != m_cells.end(); ++it)
        it->set_column(static_cast<std::uint32_t>(static_cast<std::int64_t>(it->column()) + delta));
    return true;
}

void c_cell_list::append_unsorted(c_CT_Cell&& cell)
{
    if (const c_CT_Cell* last = m_cells.back())
        if (last->column() >= cell.column()) m_unsorted = true;
    m_cells.append(std::move(cell));
}

namespace {

// Cells in column order, of two cells of one column the later one.
void sort_cells(std::vector<c_CT_Cell>& all)
{
    bool sorted = true;
    for (std::size_t i = 1; i < all.size() && sorted; ++i) sorted = all[i - 1].column() < all[i].column();
    if (sorted) return;
    std::stable_sort(all.begin(), all.end(),
                     [](const c_CT_Cell& a, const c_CT_Cell& b) { return a.column() < b.column(); });
    std::size_t out = 0;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i + 1 == all.size() || all[i + 1].column() != all[i].column()) {
            if (out != i) all[out] = std::move(all[i]);
            ++out;
        }
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(out), all.end());
}

}  // namespace

void c_cell_list::normalise()
{
    if (m_unsorted) {
        std::vector<c_CT_Cell> all = m_cells.take_all();
        sort_cells(all);
        m_cells.assign_items(all);
        m_unsorted = false;
    }
    m_cells.shrink();
}

void c_cell_list::assign_read(std::vector<c_CT_Cell>& cells)
{
    sort_cells(cells);
    m_cells.assign_items(cells);
    m_unsorted = false;
}

// ---------------------------------------------------------------------------
// The rows of a sheet

std::uint32_t c_row_key::operator()(const std::unique_ptr<c_CT_Row>& r) const noexcept { return r->r.value - 1; }

c_row_list::c_row_list(const c_row_list& o)
{
    for (const auto& chunk : o.m_rows.chunks())
        for (const auto& row : chunk) m_rows.append(std::unique_ptr<c_CT_Row>(static_cast<c_CT_Row*>(row->clone())));
}

c_row_list& c_row_list::operator=(const c_row_list& o)
{
    c_row_list copy(o);
    std::swap(m_rows, copy.m_rows);
    std::swap(m_unsorted, copy.m_unsorted);
    return *this;
}

c_row_list::~c_row_list() = default;

c_CT_Row* c_row_list::find(std::uint32_t row) const
{
    auto* p = m_rows.find(row);
    return p ? p->get() : nullptr;
}

c_CT_Row* c_row_list::first() const
{
    auto* p = m_rows.front();
    return p ? p->get() : nullptr;
}

c_CT_Row* c_row_list::last() const
{
    auto* p = m_rows.back();
    return p ? p->get() : nullptr;
}

c_CT_Row* c_row_list::find_or_create(std::uint32_t row, bool* created)
{
    if (created) *created = false;
    if (row > max_row_index) return nullptr;
    if (c_CT_Row* r = find(row)) return r;
    if (created) *created = true;
    auto fresh = std::make_unique<c_CT_Row>();
    fresh->set_r(row + 1);
    return m_rows.insert(std::move(fresh)).get();
}

bool c_row_list::shift(std::uint32_t first, std::int64_t delta)
{
    if (delta == 0) return true;
    auto it = m_rows.lower_bound(first);
    if (it == m_rows.end()) return true;
    std::int64_t lo = static_cast<std::int64_t>((*it)->r.value) - 1 + delta;
    std::int64_t hi = static_cast<std::int64_t>((*m_rows.back())->r.value) - 1 + delta;
    if (lo < 0 || hi > static_cast<std::int64_t>(max_row_index)) return false;
    if (delta < 0) {
        auto prev = m_rows.lower_bound(0);
        std::int64_t previous = -1;
        for (; prev != it; ++prev) previous = static_cast<std::int64_t>((*prev)->r.value) - 1;
        if (lo <= previous) return false;
    }
    for (; it != m_rows.end(); ++it)
        (*it)->r.value = static_cast<std::uint32_t>(static_cast<std::int64_t>((*it)->r.value) + delta);
    return true;
}

void c_row_list::append_unsorted(std::unique_ptr<c_CT_Row> row)
{
    if (const auto* last = m_rows.back())
        if ((*last)->r.value >= row->r.value) m_unsorted = true;
    m_rows.append(std::move(row));
}

namespace {

template <class T>
void keep_earlier(nimb::c_simple<T>& later, const nimb::c_simple<T>& earlier)
{
    if (!later.present && earlier.present) later = earlier;
}

// Two rows of one index: the later one's attributes and cells over the
// earlier one's.
void merge_rows(c_CT_Row& earlier, c_CT_Row& later)
{
    if (!later.spans.present && earlier.spans.present) later.spans = earlier.spans;
    keep_earlier(later.s, earlier.s);
    keep_earlier(later.customFormat, earlier.customFormat);
    keep_earlier(later.ht, earlier.ht);
    keep_earlier(later.hidden, earlier.hidden);
    keep_earlier(later.customHeight, earlier.customHeight);
    keep_earlier(later.outlineLevel, earlier.outlineLevel);
    keep_earlier(later.collapsed, earlier.collapsed);
    keep_earlier(later.thickTop, earlier.thickTop);
    keep_earlier(later.thickBot, earlier.thickBot);
    keep_earlier(later.ph, earlier.ph);
    if (!later.extLst.has() && earlier.extLst.has()) later.extLst.reset(earlier.extLst.release());
    if (earlier.kept() && (!later.kept() || later.kept()->attributes.empty()))
        later.kept_content().attributes = earlier.kept()->attributes;
    c_cell_list merged;
    for (auto& c : earlier.cells) merged.append_unsorted(std::move(c));
    for (auto& c : later.cells) merged.append_unsorted(std::move(c));
    merged.normalise();
    later.cells = std::move(merged);
}

}  // namespace

void c_row_list::normalise()
{
    if (m_unsorted) {
        std::vector<std::unique_ptr<c_CT_Row>> all = m_rows.take_all();
        std::stable_sort(all.begin(), all.end(), [](const std::unique_ptr<c_CT_Row>& a,
                                                   const std::unique_ptr<c_CT_Row>& b) { return a->r.value < b->r.value; });
        std::vector<std::unique_ptr<c_CT_Row>> kept;
        kept.reserve(all.size());
        for (auto& row : all) {
            if (!kept.empty() && kept.back()->r.value == row->r.value) {
                merge_rows(*kept.back(), *row);
                kept.back() = std::move(row);
            } else {
                kept.push_back(std::move(row));
            }
        }
        m_rows.assign_sorted(std::move(kept));
        m_unsorted = false;
    }
    m_rows.shrink();
}

}  // namespace sheet
