#include "app/core/language_manager.h"

#include "app/core/ini_file.h"
#include "platform/errors.h"
#include "platform/folders.h"

namespace qm::app {
namespace {

constexpr wchar_t kDefaultLanguage[] = L"English";

std::mutex& folderLock() {
    static std::mutex lock;
    return lock;
}
std::wstring& programFolderSetting() {
    static std::wstring folder;
    return folder;
}
std::function<std::wstring()>& programFolderProvider() {
    static std::function<std::wstring()> provider;
    return provider;
}

// The profile call that reads the name has room for 63 characters; a pair of UTF-16 halves is
// not split.
std::wstring limitLanguageName(std::wstring name) {
    if (name.size() <= CLanguageManager::kMaxLanguageNameLength) return name;
    std::size_t length = CLanguageManager::kMaxLanguageNameLength;
    const wchar_t last = name[length - 1];
    if (sizeof(wchar_t) == 2 && last >= 0xD800 && last <= 0xDBFF) --length;
    name.resize(length);
    return name;
}

}  // namespace

void CLanguageManager::SetProgramFolder(std::wstring folder) {
    std::lock_guard guard(folderLock());
    programFolderSetting() = std::move(folder);
}

void CLanguageManager::SetProgramFolderProvider(std::function<std::wstring()> provider) {
    std::lock_guard guard(folderLock());
    programFolderProvider() = std::move(provider);
}

CLanguageManager& CLanguageManager::Instance() {
    static CLanguageManager manager([] {
        std::lock_guard guard(folderLock());
        if (programFolderProvider()) return programFolderProvider()();
        return programFolderSetting();
    }());
    return manager;
}

CLanguageManager::CLanguageManager(const std::wstring& programFolder)
    : configPath_(platform::joinPath(programFolder, L"config.ini")),
      languagesFolder_(platform::joinPath(programFolder, L"Languages") + platform::kPathSeparator) {
    readCurrentLanguage();
    IniFile config;
    if (config.load(configPath_) == 0) {
        for (const IniEntry& entry : config.sectionEntries(L"Languages"))
            languageList_.emplace_back(entry.key, entry.hasValue ? entry.value : entry.key);
    }
    loadTables();
}

void CLanguageManager::readCurrentLanguage() {
    std::wstring name = ReadIniString(configPath_, L"DefaultLanguage", L"Default", kDefaultLanguage);
    // "Default=" with nothing after it names no file; it means the same as no entry.
    if (name.empty()) name = kDefaultLanguage;
    currentLanguage_ = limitLanguageName(std::move(name));
}

std::wstring CLanguageManager::LanguageFilePath() const {
    std::lock_guard guard(lock_);
    return languagesFolder_ + currentLanguage_ + L".ini";
}

void CLanguageManager::loadTables() {
    sections_.clear();
    IniFile file;
    if (file.load(languagesFolder_ + currentLanguage_ + L".ini") != 0) return;
    // The whole file at once: no section or name list is cut short by a buffer.
    for (const std::wstring& name : file.sectionNames()) {
        TextTable& table = sections_[name];
        for (const IniEntry& entry : file.sectionEntries(name))
            table.emplace(entry.key, entry.hasValue ? entry.value : entry.key);  // the first line wins
    }
}

TextTable& CLanguageManager::GetSection(const std::wstring& name) {
    std::lock_guard guard(lock_);
    return sections_[name];
}

std::wstring CLanguageManager::GetText(TextTable& table, const std::wstring& key) {
    std::lock_guard guard(lock_);
    return table[key];
}

std::wstring CLanguageManager::GetText(const std::wstring& section, const std::wstring& key) {
    std::lock_guard guard(lock_);
    return sections_[section][key];
}

int CLanguageManager::SetLanguage(const std::wstring& fileName) {
    std::lock_guard guard(lock_);
    const int rc = WriteIniString(configPath_, L"DefaultLanguage", L"Default", fileName);
    if (rc == kErrorInvalidParameter) return rc;  // not a name a file can have; nothing changes
    readCurrentLanguage();
    // A program folder that cannot be written to still lets the user switch for this run.
    if (rc != 0) currentLanguage_ = limitLanguageName(fileName.empty() ? std::wstring(kDefaultLanguage) : fileName);
    loadTables();
    return rc;
}

std::wstring CLanguageManager::GetCurrentLanguage() const {
    std::lock_guard guard(lock_);
    return currentLanguage_;
}

}  // namespace qm::app
