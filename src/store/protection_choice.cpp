#include "store/protection_choice.h"

#include "store/entry_key.h"
#include "store/entry_reader.h"

TZipCipher StoreCipherOf(TProtection protection, const std::string& archivePath) {
    if (protection == TProtection::Unset)
        protection = ArchiveExists(archivePath) ? TProtection::Traditional : TProtection::Aes256;
    return protection == TProtection::Aes256 ? zcAes256 : zcTraditional;
}

void SettleProtection(TSettings& settings) {
    for (TUserProject& p : settings.Projects)
        if (p.Protection == TProtection::Unset)
            p.Protection = StoreCipherOf(p.Protection, ArchivePath(p.Path)) == zcAes256
                               ? TProtection::Aes256
                               : TProtection::Traditional;
}
