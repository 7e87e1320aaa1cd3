#include "texts/system_reason.h"

#include <cerrno>
#include <cstring>

#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

// What a drive or folder says when a file cannot be written on it.
struct Reason {
    int err;
    TextId text;
};
constexpr Reason kReasons[] = {
    {EROFS, textid::kTextReadOnlyDrive},
    {EACCES, textid::kTextAccessDenied},
    {EIO, textid::kTextInputOutputError},
    {ENOENT, textid::kTextNoSuchFile},
};

}  // namespace

bool noRoomLeft(int err) { return err == ENOSPC || err == EDQUOT; }

std::string systemReasonText(int err) {
    if (err <= 0) return {};
    if (noRoomLeft(err)) return textOrEmpty(textid::kTextNotEnoughSpace);
    for (const Reason& r : kReasons)
        if (r.err == err) return textOrEmpty(r.text);
    return std::strerror(err);
}
