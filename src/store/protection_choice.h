// Which cipher a profile's protected entries are stored with.
//
// Each profile chooses in Preferences: AES-256 (what 7-Zip, WinZip and
// PeaZip open; the only choice that resists attack) or the traditional zip
// cipher (what every zip program opens; broken). A profile that has not
// chosen yet is settled by its archive: one that already exists keeps the
// traditional cipher its entries and the programs that read them know, a
// diary begun now (no archive yet) starts with AES-256. The choice applies
// to what is stored from then on; an entry keeps the cipher it was stored
// with until it is itself stored again.
#pragma once

#include "settings/settings.h"
#include "zip/zip_header.h"

#include <string>

// The cipher stores into the archive at `archivePath` use.
TZipCipher StoreCipherOf(TProtection protection, const std::string& archivePath);

// Gives every profile that has not chosen its protection its settled choice,
// so that it stays what it was when the profile's archive comes to exist.
void SettleProtection(TSettings& settings);
