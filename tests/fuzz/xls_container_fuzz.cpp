// The compound document reader and the record walk of a workbook stream:
// every record and the CONTINUE records after it, read to their end.
#include <cstddef>
#include <cstdint>

#include "celvo/xlerror.h"
#include "xls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        celvo::Xls file;
        file.read(data, size);
        while (!file.eof()) {
            celvo::RecordCursor rec = file.input().next();
            rec.rest();
            while (rec.tryContinue()) rec.rest();
        }
    } catch (const celvo::xlerror&) {
        // A refused file: the reason is in the message.
    }
    return 0;
}
