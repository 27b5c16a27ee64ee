// The language tables: every text a user reads comes from the chosen language file, an ini file
// in the folder "Languages" beside the program; "config.ini" beside the program names the
// language in use and the installed ones.
#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qm::app {

// Key (a control name or "MSG" + four digits) to text.
using TextTable = std::map<std::wstring, std::wstring>;
// (file name without extension, name shown in the menu)
using LanguageList = std::vector<std::pair<std::wstring, std::wstring>>;

class CLanguageManager {
public:
    static constexpr std::size_t kMaxLanguageNameLength = 63;

    // The process's manager, created and loaded on first use in the program folder.
    static CLanguageManager& Instance();
    // Where Instance() looks; set before its first call (the program passes its own folder).
    static void SetProgramFolder(std::wstring folder);
    static void SetProgramFolderProvider(std::function<std::wstring()> provider);

    // A manager of its own over the given program folder (tests; Instance() makes the real one).
    explicit CLanguageManager(const std::wstring& programFolder);
    CLanguageManager(const CLanguageManager&) = delete;
    CLanguageManager& operator=(const CLanguageManager&) = delete;

    // The section's table; a section the file lacks is created empty. The reference stays valid
    // until the next SetLanguage.
    TextTable& GetSection(const std::wstring& name);
    // The text, or an empty text for a missing key (which is then added to the table, empty).
    std::wstring GetText(TextTable& table, const std::wstring& key);
    std::wstring GetText(const std::wstring& section, const std::wstring& key);

    // Writes the choice to config.ini, reads it back and loads that language's tables.
    // 0, or the error of writing config.ini (the choice then holds for this run only).
    int SetLanguage(const std::wstring& fileName);

    std::wstring GetCurrentLanguage() const;
    const LanguageList& GetLanguageList() const { return languageList_; }
    const std::wstring& ConfigPath() const { return configPath_; }
    const std::wstring& LanguagesFolder() const { return languagesFolder_; }
    std::wstring LanguageFilePath() const;

private:
    void readCurrentLanguage();
    void loadTables();

    std::wstring configPath_;
    std::wstring languagesFolder_;
    std::wstring currentLanguage_;
    LanguageList languageList_;
    std::map<std::wstring, TextTable> sections_;
    // Workers look texts up while the main thread may too; a missing key inserts.
    mutable std::mutex lock_;
};

}  // namespace qm::app
