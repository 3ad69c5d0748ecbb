// The engine's exception classes. Each carries the fixed English message the
// user sees; the texts are part of the program's behaviour.
#pragma once

#include "platform/exception.h"

#define DAYSCRIB_EXCEPTION(Name)                                                                   \
    class Name : public Exception {                                                                \
    public:                                                                                        \
        using Exception::Exception;                                                                \
    }

DAYSCRIB_EXCEPTION(EListError);
DAYSCRIB_EXCEPTION(EStreamError);
DAYSCRIB_EXCEPTION(EBadZipFile);
DAYSCRIB_EXCEPTION(ENotAZipFile);
DAYSCRIB_EXCEPTION(EIncompleteZip);
DAYSCRIB_EXCEPTION(EUserCanceled);
DAYSCRIB_EXCEPTION(EFatalUnzipError);
DAYSCRIB_EXCEPTION(EBiggerThanUncompressed);
DAYSCRIB_EXCEPTION(ENotEnoughRoom);
// Another save holds the archive's lock (archive_lock.h).
DAYSCRIB_EXCEPTION(EArchiveInUse);
// An AES member whose authentication code does not match its data (or
// whose data, once vouched for, does not decode as its headers say):
// "The encrypted member is damaged or altered". None of it reaches the
// caller's stream.
DAYSCRIB_EXCEPTION(EAlteredMember);
// A member whose local header is not there where the directory places it:
// "The member's local header is damaged". Nothing of it is extracted.
DAYSCRIB_EXCEPTION(EBadLocalHeader);

#undef DAYSCRIB_EXCEPTION
