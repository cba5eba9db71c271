// The cell store of a worksheet part: packed cells kept in their rows, rows
// kept in the sheet data, both sorted and found by bisection.
//
// A cell (c_CT_Cell) is a 16-byte value: its column, type, style index and
// value are held in place; an ordinary number, a shared-string index, a
// boolean or a text of up to eight bytes needs nothing more. What few cells
// have (a formula, an inline string, a longer text, cm and vm, an extension
// list, attributes and elements of other namespaces) is held in one block
// that the cell owns. A cell does not know its row: the row that holds it
// does (c_CT_Row::r, 1-based).
//
// A row (sheet::c_CT_Row, generated from sml-sheet2) holds its cells in a
// c_cell_list; the sheet data (sheet::c_CT_SheetData, from sml-sheet3) holds
// its rows in a c_row_list. Both are sorted sequences of small chunks:
// finding is a bisection, appending at the end is constant time, and an
// insertion anywhere moves at most one chunk, so that rows and cells written
// in any order cost about what they cost written in order.
//
// Reading a part sorts and merges what came unsorted or twice; a row or cell
// without "r" takes the place after the one before it; a cell whose "r" names
// another row takes its row's; an "r" that names no cell of the sheet fails
// the part.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimb {
struct c_kept;
}

namespace sheet {

class c_CT_CellFormula;
class c_CT_Rst;
class c_CT_ExtensionList;
class c_CT_Row;
class c_CT_Cell_Worker;

// The "t" of a cell. An absent type reads as a number.
enum cell_type : unsigned {
    cell_type_absent = 0,
    cell_type_b = 1,
    cell_type_n = 2,
    cell_type_e = 3,
    cell_type_s = 4,
    cell_type_str = 5,
    cell_type_inline_str = 6,
    cell_type_d = 7,  // an ISO 8601 date, of a later edition of the format
};

// The type code of a "t" text (cell_type_absent for any other text), and the
// text of a code ("n" for an absent type).
unsigned cell_type_code(std::u16string_view text);
unsigned cell_type_code(std::string_view text);
const char* cell_type_text(unsigned code);

// How the value "v" of a cell is held.
enum class value_kind : unsigned {
    none = 0,    // no "v"
    number = 1,  // a double
    index = 2,   // an unsigned decimal: shared-string index, boolean, ...
    text = 3,    // any other text, kept as written
};

struct c_cell_extra;

class c_CT_Cell {
public:
    static constexpr std::uint32_t max_column = 16383;

    c_CT_Cell() noexcept { m_value.number = 0; }
    explicit c_CT_Cell(std::uint32_t column) noexcept : m_bits(column & col_mask) { m_value.number = 0; }
    c_CT_Cell(const c_CT_Cell& o);
    c_CT_Cell(c_CT_Cell&& o) noexcept : m_bits(o.m_bits), m_style(o.m_style), m_value(o.m_value)
    {
        o.m_bits &= ~has_extra_bit;
    }
    c_CT_Cell& operator=(const c_CT_Cell& o)
    {
        c_CT_Cell copy(o);
        swap(copy);
        return *this;
    }
    c_CT_Cell& operator=(c_CT_Cell&& o) noexcept
    {
        c_CT_Cell moved(std::move(o));
        swap(moved);
        return *this;
    }
    ~c_CT_Cell();
    void swap(c_CT_Cell& o) noexcept
    {
        std::swap(m_bits, o.m_bits);
        std::swap(m_style, o.m_style);
        std::swap(m_value, o.m_value);
    }

    // The column, 0-based. It is the cell's key in its row: the row's store
    // sets it.
    std::uint32_t column() const noexcept { return m_bits & col_mask; }

    // "t": the code of cell_type; get_t gives "n" for an absent type.
    unsigned type() const noexcept { return (m_bits >> type_shift) & 7u; }
    const char* get_t() const noexcept { return cell_type_text(type()); }
    void set_type(unsigned code) noexcept { m_bits = (m_bits & ~type_mask) | ((code & 7u) << type_shift); }
    // Sets the code of the text (any other text leaves the type absent).
    int set_t(std::u16string_view text)
    {
        set_type(cell_type_code(text));
        return 0;
    }
    void unset_t() noexcept { set_type(cell_type_absent); }

    // "s": the index of the cell format.
    bool has_s() const noexcept { return (m_bits & s_present) != 0; }
    std::uint32_t s() const noexcept { return has_s() ? m_style : 0; }
    int set_s(std::uint32_t index) noexcept
    {
        m_style = index;
        m_bits |= s_present;
        return 0;
    }
    void unset_s() noexcept
    {
        m_style = 0;
        m_bits &= ~s_present;
    }

    // "ph": show the phonetic text.
    bool has_ph() const noexcept { return (m_bits & ph_present) != 0; }
    bool ph() const noexcept { return (m_bits & ph_value) != 0; }
    void set_ph(bool on) noexcept { m_bits = (m_bits & ~ph_value) | ph_present | (on ? ph_value : 0u); }
    void unset_ph() noexcept { m_bits &= ~(ph_present | ph_value); }

    // "cm" and "vm": the cell and value metadata indexes.
    bool has_cm() const noexcept;
    std::uint32_t cm() const noexcept;
    void set_cm(std::uint32_t index);
    void unset_cm() noexcept;
    bool has_vm() const noexcept;
    std::uint32_t vm() const noexcept;
    void set_vm(std::uint32_t index);
    void unset_vm() noexcept;

    // "v". A value set here is written in its shortest form (numbers as the
    // fewest digits that read back to the same double); a value read from a
    // part is written back as it was read.
    value_kind kind() const noexcept { return static_cast<value_kind>((m_bits >> kind_shift) & 3u); }
    bool has_value() const noexcept { return kind() != value_kind::none; }
    double number() const noexcept;         // kind number, else 0
    std::uint32_t index() const noexcept;   // kind index, else 0
    // The text of "v" as written in the part (UTF-8), whatever the kind.
    std::string value_text() const;
    std::u16string value_wtext() const;
    // Appends the text of "v" to out without allocating for the packed kinds.
    void append_value_text(std::string& out) const;
    // The number "v" stands for: true when the kind is number or index, or
    // a text that is a whole decimal number.
    bool value_as_number(double& out) const noexcept;
    // Non-finite numbers cannot be written in a part: set_number refuses
    // them (false, nothing changed).
    bool set_number(double value) noexcept;
    void set_index(std::uint32_t value) noexcept;
    void set_text(std::string_view utf8);
    void set_text(std::u16string_view text);
    // A value as read from a part for a cell of this type: held packed when
    // writing it back gives the same text, else as text.
    void set_value_as_read(std::string_view utf8);
    void clear_value() noexcept;

    // "f": null when the cell has no formula; get_f creates an empty one.
    const c_CT_CellFormula* formula() const noexcept;
    c_CT_CellFormula* get_f();
    void erase_formula() noexcept;

    // "is": null when the cell has no inline string; get_is creates one.
    const c_CT_Rst* inline_string() const noexcept;
    c_CT_Rst* get_is();
    void erase_inline_string() noexcept;

    // The cell's extension list (kept from the part; written back).
    const c_CT_ExtensionList* extension_list() const noexcept;
    // Attributes, namespace declarations and elements of other namespaces
    // kept from the part.
    const nimb::c_kept* kept() const noexcept;

    // Everything but the column back to a new cell's.
    void reset() noexcept;

    // Whether the cell holds anything beyond its packed form (it is then
    // written through its whole form, c_CT_Cell_Worker).
    bool has_extra() const noexcept { return (m_bits & has_extra_bit) != 0; }

    // The whole form of the cell at (row, column) and back. to_worker gives
    // false when the cell is not on the sheet. from_worker takes what the
    // worker holds (it is left empty); the column and row are the caller's.
    bool to_worker(std::uint32_t row, c_CT_Cell_Worker& worker) const;
    void from_worker(c_CT_Cell_Worker& worker);

private:
    friend class c_cell_list;
    void set_column(std::uint32_t column) noexcept { m_bits = (m_bits & ~col_mask) | (column & col_mask); }
    c_cell_extra& extra();
    c_cell_extra* extra_if() const noexcept { return has_extra() ? m_value.extra : nullptr; }
    void set_kind(value_kind k) noexcept
    {
        m_bits = (m_bits & ~kind_mask) | (static_cast<std::uint32_t>(k) << kind_shift);
    }
    unsigned number_form() const noexcept { return (m_bits >> form_shift) & 3u; }
    void set_number_form(unsigned form) noexcept { m_bits = (m_bits & ~form_mask) | ((form & 3u) << form_shift); }
    unsigned short_length() const noexcept { return (m_bits >> short_shift) & 15u; }
    void store_number(double v, unsigned form) noexcept;
    void store_index(std::uint32_t v) noexcept;
    void store_text(std::string_view utf8);

    static constexpr std::uint32_t col_mask = 0x3FFFu;  // bits 0-13
    static constexpr unsigned type_shift = 14;          // bits 14-16
    static constexpr std::uint32_t type_mask = 7u << type_shift;
    static constexpr std::uint32_t s_present = 1u << 17;
    static constexpr std::uint32_t ph_present = 1u << 18;
    static constexpr std::uint32_t ph_value = 1u << 19;
    static constexpr unsigned kind_shift = 20;  // bits 20-21
    static constexpr std::uint32_t kind_mask = 3u << kind_shift;
    static constexpr std::uint32_t has_extra_bit = 1u << 22;
    static constexpr unsigned form_shift = 23;  // bits 23-24: how a number is written
    static constexpr std::uint32_t form_mask = 3u << form_shift;
    static constexpr unsigned short_shift = 25;  // bits 25-28: length of a text held in place
    static constexpr std::uint32_t short_mask = 15u << short_shift;

    std::uint32_t m_bits = 0;
    std::uint32_t m_style = 0;
    union payload {
        double number;
        std::uint32_t index;
        char text[8];
        c_cell_extra* extra;  // when has_extra: the value is held there
    } m_value;
};

static_assert(sizeof(c_CT_Cell) == 16, "a packed cell is 16 bytes");

// A sorted sequence of items in chunks, found by a key. Key is a functor
// giving an item's key (std::uint32_t); items are unique by key.
template <class T, class Key, std::size_t ChunkSize>
class c_chunked_sequence {
public:
    using chunk = std::vector<T>;

    class iterator {
    public:
        iterator() = default;
        iterator(std::vector<chunk>* chunks, std::size_t c, std::size_t i) : m_chunks(chunks), m_c(c), m_i(i) {}
        T& operator*() const { return (*m_chunks)[m_c][m_i]; }
        T* operator->() const { return &(*m_chunks)[m_c][m_i]; }
        iterator& operator++()
        {
            if (++m_i == (*m_chunks)[m_c].size()) {
                ++m_c;
                m_i = 0;
            }
            return *this;
        }
        bool operator==(const iterator& o) const { return m_c == o.m_c && m_i == o.m_i; }
        bool operator!=(const iterator& o) const { return !(*this == o); }

    private:
        std::vector<chunk>* m_chunks = nullptr;
        std::size_t m_c = 0;
        std::size_t m_i = 0;
    };

    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    iterator begin() { return iterator(&m_chunks, 0, 0); }
    iterator end() { return iterator(&m_chunks, m_chunks.size(), 0); }
    iterator begin() const { return const_cast<c_chunked_sequence*>(this)->begin(); }
    iterator end() const { return const_cast<c_chunked_sequence*>(this)->end(); }

    // The first item whose key is not below `key`.
    iterator lower_bound(std::uint32_t key) const
    {
        auto* self = const_cast<c_chunked_sequence*>(this);
        std::size_t c = chunk_for(key);
        if (c == m_chunks.size()) return self->end();
        const chunk& ch = m_chunks[c];
        const std::size_t lo = position_in(ch, key);
        return iterator(&self->m_chunks, c, lo);
    }

    T* find(std::uint32_t key) const
    {
        if (m_size == 0 || Key()(m_chunks.back().back()) < key) return nullptr;
        // The item found last and the one after it first: reading or
        // writing item after item looks there.
        if (m_hint_chunk < m_chunks.size()) {
            const chunk* ch = &m_chunks[m_hint_chunk];
            std::size_t i = m_hint_item;
            for (int step = 0; step < 2 && i < ch->size(); ++step) {
                if (Key()((*ch)[i]) == key) {
                    m_hint_item = static_cast<std::uint32_t>(i);
                    return const_cast<T*>(&(*ch)[i]);
                }
                if (++i == ch->size() && m_hint_chunk + 1 < m_chunks.size()) {
                    if (Key()(m_chunks[m_hint_chunk + 1].front()) == key) {
                        ++m_hint_chunk;
                        m_hint_item = 0;
                        return const_cast<T*>(&m_chunks[m_hint_chunk].front());
                    }
                    break;
                }
            }
        }
        std::size_t c = chunk_for(key);
        const chunk& ch = m_chunks[c];
        const std::size_t lo = position_in(ch, key);
        if (lo == ch.size() || Key()(ch[lo]) != key) return nullptr;
        m_hint_chunk = static_cast<std::uint32_t>(c);
        m_hint_item = static_cast<std::uint32_t>(lo);
        return const_cast<T*>(&ch[lo]);
    }

    T* front() const { return m_size ? const_cast<T*>(&m_chunks.front().front()) : nullptr; }
    T* back() const { return m_size ? const_cast<T*>(&m_chunks.back().back()) : nullptr; }

    // Inserts an item whose key is not held yet; returns it where it stands.
    T& insert(T&& item)
    {
        std::uint32_t key = Key()(item);
        if (m_chunks.empty() || Key()(m_chunks.back().back()) < key) return append(std::move(item));
        std::size_t c = chunk_for(key);
        chunk& ch = m_chunks[c];
        const std::size_t lo = position_in(ch, key);
        ch.insert(ch.begin() + static_cast<std::ptrdiff_t>(lo), std::move(item));
        ++m_size;
        if (ch.size() <= ChunkSize) return ch[lo];
        // A full chunk splits in two halves.
        std::size_t half = ch.size() / 2;
        chunk upper(std::make_move_iterator(ch.begin() + static_cast<std::ptrdiff_t>(half)),
                    std::make_move_iterator(ch.end()));
        ch.erase(ch.begin() + static_cast<std::ptrdiff_t>(half), ch.end());
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(c + 1), std::move(upper));
        return lo < half ? m_chunks[c][lo] : m_chunks[c + 1][lo - half];
    }

    // Appends an item whose key is above every key held.
    T& append(T&& item)
    {
        if (m_chunks.empty() || m_chunks.back().size() >= ChunkSize) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(m_chunks.size() == 1 ? 4 : ChunkSize);
        }
        m_chunks.back().push_back(std::move(item));
        ++m_size;
        return m_chunks.back().back();
    }

    bool erase(std::uint32_t key)
    {
        std::size_t c = chunk_for(key);
        if (c == m_chunks.size()) return false;
        chunk& ch = m_chunks[c];
        for (std::size_t lo = 0, hi = ch.size(); lo < hi;) {
            std::size_t mid = (lo + hi) / 2;
            std::uint32_t k = Key()(ch[mid]);
            if (k == key) {
                ch.erase(ch.begin() + static_cast<std::ptrdiff_t>(mid));
                --m_size;
                if (ch.empty()) m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(c));
                return true;
            }
            if (k < key) lo = mid + 1;
            else hi = mid;
        }
        return false;
    }

    // Erases the items whose keys are in [first, last]; returns how many.
    std::size_t erase_range(std::uint32_t first, std::uint32_t last)
    {
        std::size_t n = 0;
        if (first > last) return 0;
        for (std::size_t c = chunk_for(first); c < m_chunks.size();) {
            chunk& ch = m_chunks[c];
            std::size_t i = 0;
            while (i < ch.size() && Key()(ch[i]) < first) ++i;
            std::size_t j = i;
            while (j < ch.size() && Key()(ch[j]) <= last) ++j;
            ch.erase(ch.begin() + static_cast<std::ptrdiff_t>(i), ch.begin() + static_cast<std::ptrdiff_t>(j));
            n += j - i;
            bool more = ch.empty() || Key()(ch.back()) <= last;
            if (ch.empty()) m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(c));
            else ++c;
            if (!more) break;
        }
        m_size -= n;
        return n;
    }

    void clear() noexcept
    {
        m_chunks.clear();
        m_size = 0;
    }

    // The items in order, for a whole pass that reorders them.
    std::vector<T> take_all()
    {
        std::vector<T> all;
        all.reserve(m_size);
        for (chunk& ch : m_chunks)
            for (T& item : ch) all.push_back(std::move(item));
        clear();
        return all;
    }
    // Puts back items sorted by unique keys (as take_all gave them).
    void assign_sorted(std::vector<T>&& items)
    {
        clear();
        if (items.size() <= ChunkSize) {
            if (!items.empty()) {
                items.shrink_to_fit();
                m_chunks.push_back(std::move(items));
            }
        } else {
            for (T& item : items) append(std::move(item));
        }
        m_size = 0;
        for (const chunk& ch : m_chunks) m_size += ch.size();
    }

    // Takes items sorted by unique keys into chunks of exactly their size;
    // `items` is left empty (with its room, for reuse).
    void assign_items(std::vector<T>& items)
    {
        clear();
        for (std::size_t i = 0; i < items.size(); i += ChunkSize) {
            std::size_t n = std::min(ChunkSize, items.size() - i);
            chunk ch;
            ch.reserve(n);
            for (std::size_t k = 0; k < n; ++k) ch.push_back(std::move(items[i + k]));
            m_chunks.push_back(std::move(ch));
        }
        m_size = items.size();
        items.clear();
    }

    // Gives back the room that appending kept in reserve.
    void shrink()
    {
        for (chunk& ch : m_chunks) ch.shrink_to_fit();
        m_chunks.shrink_to_fit();
    }

    const std::vector<chunk>& chunks() const noexcept { return m_chunks; }

private:
    // The first item of a chunk whose key is not below `key`.
    static std::size_t position_in(const chunk& ch, std::uint32_t key)
    {
        std::size_t lo = 0, hi = ch.size();
        while (lo < hi) {
            std::size_t mid = (lo + hi) / 2;
            if (Key()(ch[mid]) < key) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    }

    // The chunk that holds `key` or where it would go: the first whose last
    // key is not below it (the last chunk for a key above all).
    std::size_t chunk_for(std::uint32_t key) const
    {
        std::size_t lo = 0, hi = m_chunks.size();
        while (lo < hi) {
            std::size_t mid = (lo + hi) / 2;
            if (Key()(m_chunks[mid].back()) < key) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    }

    std::vector<chunk> m_chunks;
    std::size_t m_size = 0;
    // Where find found its last item: only a hint, checked before it is
    // trusted, so that no change of the sequence has to keep it right.
    mutable std::uint32_t m_hint_chunk = 0;
    mutable std::uint32_t m_hint_item = 0;
};

struct c_cell_key {
    std::uint32_t operator()(const c_CT_Cell& c) const noexcept { return c.column(); }
};

// The cells of a row, sorted by column.
class c_cell_list {
public:
    using sequence = c_chunked_sequence<c_CT_Cell, c_cell_key, 256>;
    using iterator = sequence::iterator;

    std::size_t size() const noexcept { return m_cells.size(); }
    bool empty() const noexcept { return m_cells.empty(); }
    iterator begin() const { return m_cells.begin(); }
    iterator end() const { return m_cells.end(); }
    // The first cell at or after a column.
    iterator lower_bound(std::uint32_t column) const { return m_cells.lower_bound(column); }
    c_CT_Cell* find(std::uint32_t column) const { return m_cells.find(column); }
    c_CT_Cell* first() const { return m_cells.front(); }
    c_CT_Cell* last() const { return m_cells.back(); }

    // The cell of a column, a new empty one when there is none (null for a
    // column beyond the sheet). Pointers to the row's cells stay valid until
    // a cell is added to or erased from the row.
    c_CT_Cell* find_or_create(std::uint32_t column, bool* created = nullptr);
    bool erase(std::uint32_t column) { return m_cells.erase(column); }
    // Erases the cells of columns first to last; returns how many.
    std::size_t erase_range(std::uint32_t first, std::uint32_t last) { return m_cells.erase_range(first, last); }
    void clear() noexcept { m_cells.clear(); }
    // Moves the cells at or right of column `first` by `delta` columns. False,
    // and nothing moved, when a cell would leave the sheet or come onto a
    // cell left of `first`.
    bool shift(std::uint32_t first, std::int64_t delta);

    // For the reader: cells in document order, then put in order.
    void append_unsorted(c_CT_Cell&& cell);
    // Sorts by column; of two cells of one column the later one stays.
    void normalise();
    // The row's cells become those read, in document order (sorted as
    // normalise sorts); `cells` is left empty for reuse.
    void assign_read(std::vector<c_CT_Cell>& cells);

    const sequence& cells() const noexcept { return m_cells; }

private:
    sequence m_cells;
    bool m_unsorted = false;
};

struct c_row_key {
    std::uint32_t operator()(const std::unique_ptr<c_CT_Row>& r) const noexcept;
};

// The rows of a sheet, sorted by index. Row indexes here are 0-based (the
// row's "r" less one).
class c_row_list {
public:
    using sequence = c_chunked_sequence<std::unique_ptr<c_CT_Row>, c_row_key, 512>;

    class iterator {
    public:
        iterator() = default;
        explicit iterator(sequence::iterator it) : m_it(it) {}
        c_CT_Row& operator*() const { return **m_it; }
        c_CT_Row* operator->() const { return m_it->get(); }
        iterator& operator++()
        {
            ++m_it;
            return *this;
        }
        bool operator==(const iterator& o) const { return m_it == o.m_it; }
        bool operator!=(const iterator& o) const { return m_it != o.m_it; }

    private:
        sequence::iterator m_it;
    };

    c_row_list() = default;
    c_row_list(const c_row_list& o);
    c_row_list(c_row_list&&) noexcept = default;
    c_row_list& operator=(const c_row_list& o);
    c_row_list& operator=(c_row_list&&) noexcept = default;
    ~c_row_list();

    std::size_t size() const noexcept { return m_rows.size(); }
    bool empty() const noexcept { return m_rows.empty(); }
    iterator begin() const { return iterator(m_rows.begin()); }
    iterator end() const { return iterator(m_rows.end()); }
    // The first row at or below a row index.
    iterator lower_bound(std::uint32_t row) const { return iterator(m_rows.lower_bound(row)); }
    c_CT_Row* find(std::uint32_t row) const;
    c_CT_Row* first() const;
    c_CT_Row* last() const;

    // The row of an index, a new one (with its "r" set) when there is none;
    // null for an index beyond the sheet. Rows stay where they are in memory
    // until erased.
    c_CT_Row* find_or_create(std::uint32_t row, bool* created = nullptr);
    bool erase(std::uint32_t row) { return m_rows.erase(row); }
    // Erases rows first to last; returns how many.
    std::size_t erase_range(std::uint32_t first, std::uint32_t last) { return m_rows.erase_range(first, last); }
    void clear() noexcept { m_rows.clear(); }
    // Moves the rows at or below index `first` by `delta` rows (their "r"
    // changes). False, and nothing moved, when a row would leave the sheet
    // or come onto a row above `first`.
    bool shift(std::uint32_t first, std::int64_t delta);

    // For the reader: rows in document order (each with its "r"), then put
    // in order.
    void append_unsorted(std::unique_ptr<c_CT_Row> row);
    // Sorts by index; two rows of one index become one, the later one's
    // attributes and cells over the earlier one's.
    void normalise();

    const sequence& rows() const noexcept { return m_rows; }

private:
    sequence m_rows;
    bool m_unsorted = false;
};

// The largest row index (0-based) and column of a sheet.
constexpr std::uint32_t max_row_index = 1048575;

}  // namespace sheet
