#pragma once

#include <QtGlobal>

// The part of a string view between its leading and trailing characters for which
// isTrimmed holds (QStringView, QByteArrayView: anything with size() and sliced()).
template <typename View, typename Pred> View trimmedBy(View text, Pred isTrimmed) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}
