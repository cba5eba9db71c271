#include "celvo/gridedit.h"

#include <algorithm>

namespace celvo {

int GridEdit::map(int i) const noexcept
{
    if (insert) {
        if (i < first) return i;
        return i + count > limit() ? -1 : i + count;
    }
    if (i < first) return i;
    return i > last() ? i - count : -1;
}

bool GridEdit::mapSpan(int& a, int& b) const noexcept
{
    if (a == 0 && b == limit()) return true;
    if (insert) {
        const int na = a >= first ? a + count : a;
        const int nb = b >= first ? b + count : b;
        if (na > limit()) return false;
        a = na;
        b = std::min(nb, limit());
        return true;
    }
    if (a >= first && b <= last()) return false;
    const int na = a < first ? a : (a > last() ? a - count : first);
    const int nb = b > last() ? b - count : (b >= first ? first - 1 : b);
    a = na;
    b = nb;
    return true;
}

bool GridEdit::splits(int a, int b) const noexcept
{
    if (insert) return (a < first && first <= b) || (map(a) >= 0 && map(b) < 0);
    const bool meets = !(last() < a || first > b);
    return meets && !(first <= a && b <= last());
}

bool GridEdit::removesAll(int a, int b) const noexcept
{
    if (insert) return map(a) < 0;
    return first <= a && b <= last();
}

}  // namespace celvo
