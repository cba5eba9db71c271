// What the sheet's structural edits share with the rest of the book.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace celvo {

class BookImplT;

// Calls f for every token stream that the book's sheets hold: the formula of
// every cell, every shared formula and every array formula. f may rewrite a
// stream in place; a stream whose size f changes is not written back.
void forEachSheetTokenStream(BookImplT& book, const std::function<void(std::vector<std::uint8_t>&)>& f);

}  // namespace celvo
