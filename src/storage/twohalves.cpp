#include "twohalves.h"

#include <optional>
#include <system_error>
#include <thread>

std::exception_ptr readInTwoHalves(RecordFile &file, qint64 half, qint64 n, const ReadHalf &first,
                                   const ReadHalf &second)
{
    std::exception_ptr failure;
    std::optional<RecordFile> again;
    try {
        again.emplace(file.path(), file.recordSize(), RecordFile::Mode::ReadOnly);
    } catch (...) {
        failure = std::current_exception();
    }
    auto readSecond = [&] {
        if (!again)
            return;
        try {
            second(*again, half + 1, n);
        } catch (...) {
            failure = std::current_exception();
        }
    };
    std::thread other;
    try {
        other = std::thread(readSecond);
    } catch (const std::system_error &) {
    }
    try {
        first(file, 1, half);
    } catch (...) {
        if (other.joinable())
            other.join();
        throw;
    }
    if (other.joinable())
        other.join();
    else
        readSecond();
    return failure;
}
