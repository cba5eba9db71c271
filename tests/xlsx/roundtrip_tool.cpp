// Loads a .xlsx book and saves it again, to a file and to memory:
//     xlsx_roundtrip <input> <output>
// Exits 0 when the book was loaded and saved and the memory save gave the
// same bytes as the file; 1 with the book's message on standard error when
// the load or a save failed; 3 when the two saves differ; 2 on a usage error.
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "celvo/IBookT.h"
#include "celvo/factory.h"
#include "celvo/file.h"
#include "celvo/text.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: xlsx_roundtrip <input> <output>\n";
        return 2;
    }
    celvo::IBookT* book = celvo::createXlsxBook();
    if (!book) return 2;
    int rc = 0;
    const celvo::u16string in = celvo::pathFromNative(argv[1]), out = celvo::pathFromNative(argv[2]);
    if (!book->load(in.c_str())) {
        std::cerr << "load: " << book->errorMessage() << "\n";
        rc = 1;
    } else if (!book->save(out.c_str())) {
        std::cerr << "save: " << book->errorMessage() << "\n";
        rc = 1;
    } else {
        const char* data = nullptr;
        unsigned size = 0;
        std::ifstream f(argv[2], std::ios::binary);
        const std::string saved((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!book->saveToMemory(&data, &size)) {
            std::cerr << "save to memory: " << book->errorMessage() << "\n";
            rc = 1;
        } else if (saved.size() != size || std::memcmp(saved.data(), data, size) != 0) {
            std::cerr << "the memory save differs from the file\n";
            rc = 3;
        }
    }
    book->release();
    return rc;
}
