#include "texts/system_reason.h"

#include <cerrno>

#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

// What a drive or folder says when a file cannot be written on it.
struct Reason {
    int err;
    TextId text;
};
// Two numbers for one reason share its text.
constexpr Reason kReasons[] = {
    {EROFS, textid::kTextReadOnlyDrive},
    {EACCES, textid::kTextAccessDenied},
    {EIO, textid::kTextInputOutputError},
    {ENOENT, textid::kTextNoSuchFile},
    {EPERM, textid::kTextNotPermitted},
    {EFBIG, textid::kTextFileTooLarge},
    {ENAMETOOLONG, textid::kTextNameTooLong},
    {EMFILE, textid::kTextTooManyOpenFiles},
    {ENFILE, textid::kTextTooManyOpenFiles},
    {ENOMEM, textid::kTextNotEnoughMemory},
    {ENOTDIR, textid::kTextNotADirectory},
    {EISDIR, textid::kTextIsADirectory},
    {EEXIST, textid::kTextFileExists},
    {EINVAL, textid::kTextInvalidArgument},
    {EOPNOTSUPP, textid::kTextNotSupported},
    {EBUSY, textid::kTextDeviceBusy},
    {ETXTBSY, textid::kTextDeviceBusy},
    {ENODEV, textid::kTextNoSuchDevice},
    {ENXIO, textid::kTextNoSuchDevice},
    {EMLINK, textid::kTextTooManyLinks},
};

}  // namespace

bool noRoomLeft(int err) { return err == ENOSPC || err == EDQUOT; }

std::string systemReasonText(int err) {
    if (err <= 0) return {};
    if (noRoomLeft(err)) return textOrEmpty(textid::kTextNotEnoughSpace);
    for (const Reason& r : kReasons)
        if (r.err == err) return textOrEmpty(r.text);
    // Any other reason in the interface's language too, by its number.
    return ks::format(textOrEmpty(textid::kTextSystemError), err);
}
