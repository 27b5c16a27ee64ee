#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/ini_file.h"
#include "app/core/language_manager.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace qm::app {
namespace {

void writeText(const std::wstring& path, std::string_view text) {
    test::writeWholeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A program folder with config.ini and a "Languages" folder.
struct ProgramFolder {
    test::TempDir dir;
    ProgramFolder() { EXPECT_EQ(0, platform::createFolderTree(languages())); }
    std::wstring languages() const { return platform::joinPath(dir.path(), L"Languages"); }
    void config(std::string_view text) const { writeText(dir.file(L"config.ini"), text); }
    void language(const std::wstring& name, std::string_view text) const {
        writeText(platform::joinPath(languages(), name + L".ini"), text);
    }
};

TEST(LanguageManager, LoadsTheChosenLanguageAndTheInstalledList) {
    ProgramFolder folder;
    folder.config(
        "[Languages]\r\nEnglish=English\r\nDeutsch = Deutsch (Deutschland)\r\nBare\r\n"
        "[DefaultLanguage]\r\nDefault=Deutsch\r\n");
    folder.language(L"English", "[Messages]\r\nMSG0101=English text\r\n");
    folder.language(L"Deutsch",
                    "[Messages]\r\nMSG0101=Erster\r\nMSG0101=Zweiter\r\nMSG0201=a=b\r\nOhneGleich\r\n"
                    "[MainWnd]\r\nBtnScan=Suchen\r\n");
    CLanguageManager manager(folder.dir.path());

    EXPECT_EQ(L"Deutsch", manager.GetCurrentLanguage());
    const LanguageList expected{{L"English", L"English"}, {L"Deutsch", L"Deutsch (Deutschland)"}, {L"Bare", L"Bare"}};
    EXPECT_EQ(expected, manager.GetLanguageList());
    EXPECT_EQ(platform::joinPath(folder.dir.path(), L"config.ini"), manager.ConfigPath());

    TextTable& messages = manager.GetSection(L"Messages");
    EXPECT_EQ(L"Erster", manager.GetText(messages, L"MSG0101"));  // the first line of a key wins
    EXPECT_EQ(L"a=b", manager.GetText(messages, L"MSG0201"));
    EXPECT_EQ(L"OhneGleich", manager.GetText(messages, L"OhneGleich"));
    EXPECT_EQ(L"Suchen", manager.GetText(L"MainWnd", L"BtnScan"));

    // Missing keys and sections come back empty and are added, empty.
    EXPECT_EQ(L"", manager.GetText(messages, L"MSG9999"));
    EXPECT_EQ(1u, messages.count(L"MSG9999"));
    TextTable& absent = manager.GetSection(L"NoSuchWnd");
    EXPECT_TRUE(absent.empty());
    EXPECT_EQ(&absent, &manager.GetSection(L"NoSuchWnd"));
}

TEST(LanguageManager, MissingFilesGiveEnglishAndEmptyTables) {
    ProgramFolder folder;
    CLanguageManager bare(folder.dir.path());
    EXPECT_EQ(L"English", bare.GetCurrentLanguage());
    EXPECT_TRUE(bare.GetLanguageList().empty());
    EXPECT_EQ(L"", bare.GetText(L"Messages", L"MSG0101"));

    // A config without the entry, or with an empty one, also means English.
    folder.language(L"English", "[Messages]\nMSG0101=Hello\n");
    for (std::string_view config : {"[Languages]\nEnglish=English\n", "[DefaultLanguage]\nDefault=\n"}) {
        folder.config(config);
        CLanguageManager manager(folder.dir.path());
        EXPECT_EQ(L"English", manager.GetCurrentLanguage());
        EXPECT_EQ(L"Hello", manager.GetText(L"Messages", L"MSG0101"));
    }

    // A language without a file: nothing to show, nothing reported.
    folder.config("[DefaultLanguage]\nDefault=Klingon\n");
    CLanguageManager missing(folder.dir.path());
    EXPECT_EQ(L"Klingon", missing.GetCurrentLanguage());
    EXPECT_TRUE(missing.GetSection(L"Messages").empty());
}

TEST(LanguageManager, LanguageNameIsCutTo63Characters) {
    ProgramFolder folder;
    const std::string longName(80, 'L');
    folder.config("[DefaultLanguage]\nDefault=" + longName + "\n");
    CLanguageManager manager(folder.dir.path());
    EXPECT_EQ(std::wstring(63, L'L'), manager.GetCurrentLanguage());
}

TEST(LanguageManager, ReadsSectionsLongerThanTheSystemBuffers) {
    ProgramFolder folder;
    folder.config("[DefaultLanguage]\nDefault=English\n");
    std::string text;
    for (int i = 0; i < 400; ++i) text += "MSG" + std::to_string(1000 + i) + "=" + std::string(40, 'x') + "\n";
    std::string sections;
    for (int i = 0; i < 150; ++i) sections += "[Window" + std::to_string(i) + "Section]\nk=v\n";
    folder.language(L"English", "[Messages]\n" + text + "[Last]\nk=end\n" + sections);
    CLanguageManager manager(folder.dir.path());
    EXPECT_EQ(400u, manager.GetSection(L"Messages").size());
    EXPECT_EQ(L"end", manager.GetText(L"Last", L"k"));
    EXPECT_EQ(L"v", manager.GetText(L"Window149Section", L"k"));
}

TEST(LanguageManager, SetLanguageRewritesConfigAndReloadsTheTables) {
    ProgramFolder folder;
    const std::string config =
        "; installed languages\r\n[DefaultLanguage]\r\nDefault=English\r\n\r\n"
        "[Languages]\r\nEnglish=English\r\nDeutsch=Deutsch\r\n";
    folder.config(config);
    folder.language(L"English", "[Messages]\nMSG0101=Scan\n");
    folder.language(L"Deutsch", "[Messages]\nMSG0101=Suchen\n");
    CLanguageManager manager(folder.dir.path());
    ASSERT_EQ(L"Scan", manager.GetText(L"Messages", L"MSG0101"));

    // The list is read once; a change on disk shows at the next start only.
    folder.config(config + "Francais=Fran\xC3\xA7" "ais\r\n");
    ASSERT_EQ(0, manager.SetLanguage(L"Deutsch"));
    EXPECT_EQ(L"Deutsch", manager.GetCurrentLanguage());
    EXPECT_EQ(L"Suchen", manager.GetText(L"Messages", L"MSG0101"));
    EXPECT_EQ(2u, manager.GetLanguageList().size());

    std::string rewritten = config + "Francais=Fran\xC3\xA7" "ais\r\n";
    rewritten.replace(rewritten.find("Default=English"), 15, "Default=Deutsch");
    const auto bytes = test::readWholeFile(manager.ConfigPath());
    EXPECT_EQ(rewritten, std::string(bytes.begin(), bytes.end()));

    CLanguageManager nextStart(folder.dir.path());
    EXPECT_EQ(L"Deutsch", nextStart.GetCurrentLanguage());
    EXPECT_EQ(3u, nextStart.GetLanguageList().size());

    // A choice that is not a file name changes nothing.
    EXPECT_NE(0, manager.SetLanguage(L"Deutsch\r\n[x]"));
    EXPECT_EQ(L"Deutsch", manager.GetCurrentLanguage());
}

TEST(LanguageManager, SwitchStillAppliesWhenConfigCannotBeWritten) {
    test::TempDir dir;
    // The program folder does not exist: nothing can be read or written there.
    CLanguageManager manager(platform::joinPath(dir.path(), L"gone"));
    EXPECT_NE(0, manager.SetLanguage(L"Deutsch"));
    EXPECT_EQ(L"Deutsch", manager.GetCurrentLanguage());
    EXPECT_FALSE(platform::pathExists(platform::joinPath(dir.path(), L"gone")));
}

TEST(LanguageManager, InstanceUsesTheProgramFolderSetBeforeItsFirstUse) {
    ProgramFolder folder;
    folder.config("[DefaultLanguage]\nDefault=Deutsch\n[Languages]\nDeutsch=Deutsch\n");
    folder.language(L"Deutsch", "[MenuWnd]\nitem_exit=Beenden\n");
    CLanguageManager::SetProgramFolder(folder.dir.path());
    CLanguageManager& instance = CLanguageManager::Instance();
    EXPECT_EQ(&instance, &CLanguageManager::Instance());
    EXPECT_EQ(L"Deutsch", instance.GetCurrentLanguage());
    EXPECT_EQ(L"Beenden", instance.GetText(L"MenuWnd", L"item_exit"));
}

// ---- The language files that ship beside the program ----

std::wstring shippedFolder() { return test::hostPath(std::string(QM_SOURCE_DIR) + "/app/languages"); }

// The printf conversions of a text, "%%" left out: "s", "d", "c", "I64u", ...
std::vector<std::string> placeholdersOf(const std::wstring& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        std::size_t j = i + 1;
        if (j < text.size() && text[j] == L'%') {
            i = j;
            continue;
        }
        std::string spec;
        while (j < text.size() && std::wstring_view(L"-+ #0123456789.").find(text[j]) != std::wstring_view::npos) ++j;
        while (j < text.size() && std::wstring_view(L"hlI3264").find(text[j]) != std::wstring_view::npos)
            spec += static_cast<char>(text[j++]);
        spec += j < text.size() ? static_cast<char>(text[j]) : '?';
        out.push_back(spec);
        i = j;
    }
    return out;
}

struct MessageKey {
    std::wstring key;
    std::vector<std::string> placeholders;  // the text is a format with exactly these
};

// Every message key the program looks up; those without placeholders are used as plain texts.
std::vector<MessageKey> messageKeys() {
    const std::vector<std::pair<int, int>> plainRanges{
        {101, 104}, {201, 214}, {216, 221}, {301, 306}, {401, 405}, {501, 505}, {601, 602}, {703, 709},
        {801, 801}, {803, 803}, {805, 805}, {807, 812}, {901, 905}, {1101, 1101}, {1103, 1103},
        {1204, 1207}, {1209, 1209}, {1212, 1226}};
    std::vector<MessageKey> keys;
    for (const auto& [first, last] : plainRanges)
        for (int n = first; n <= last; ++n) {
            std::wstring key = std::to_wstring(n);
            keys.push_back({L"MSG" + std::wstring(4 - key.size(), L'0') + key, {}});
        }
    keys.push_back({L"MSG0701", {"c"}});
    keys.push_back({L"MSG0702", {"d"}});
    keys.push_back({L"MSG0802", {"s"}});
    keys.push_back({L"MSG0804", {"s", "d"}});
    keys.push_back({L"MSG1102", {"d", "d", "d", "d"}});
    keys.push_back({L"MSG1201", {"c"}});
    keys.push_back({L"MSG1202", {"d"}});
    keys.push_back({L"MSG1203", {"s"}});
    return keys;
}

const wchar_t* const kWindowSections[] = {L"MainWnd",          L"MessageBox",        L"MenuWnd",
                                          L"ScanWnd",          L"SearchProcessWnd",  L"CreateImageWnd",
                                          L"PreviewProcessWnd", L"RecoverProcessWnd"};

void checkMessages(CLanguageManager& manager) {
    SCOPED_TRACE(platform::toUtf8(manager.GetCurrentLanguage()));
    const TextTable messages = manager.GetSection(L"Messages");
    for (const MessageKey& key : messageKeys()) {
        SCOPED_TRACE(platform::toUtf8(key.key));
        const auto found = messages.find(key.key);
        ASSERT_NE(messages.end(), found);
        EXPECT_FALSE(found->second.empty());
        EXPECT_EQ(key.placeholders, placeholdersOf(found->second));
        if (key.placeholders.empty()) {
            EXPECT_EQ(std::wstring::npos, found->second.find(L'%'));
        }
    }
    // Texts land in labels that read markup; none may start any.
    for (const wchar_t* section : {L"Messages", L"MainWnd", L"MessageBox", L"MenuWnd", L"ScanWnd", L"SearchProcessWnd",
                                   L"CreateImageWnd", L"PreviewProcessWnd", L"RecoverProcessWnd", L"MessageBoxError",
                                   L"MessageBoxConfirm", L"MessageBoxInformation", L"MessageBoxWarning",
                                   L"MessageBoxQuestion"}) {
        for (const auto& [key, text] : manager.GetSection(section)) {
            EXPECT_EQ(std::wstring::npos, text.find_first_of(L"{}<>")) << platform::toUtf8(key);
            EXPECT_FALSE(text.empty()) << platform::toUtf8(key);
        }
    }
    // The box sets its title and message before the section is applied; the section must not undo that.
    EXPECT_EQ(0u, manager.GetSection(L"MessageBox").count(L"title"));
    EXPECT_EQ(0u, manager.GetSection(L"MessageBox").count(L"message"));
    // Every kind captions its buttons; the two-button kinds both of them.
    for (const wchar_t* kind : {L"MessageBoxError", L"MessageBoxConfirm", L"MessageBoxInformation", L"MessageBoxWarning",
                                L"MessageBoxQuestion"})
        EXPECT_FALSE(manager.GetSection(kind)[L"okbtn"].empty()) << platform::toUtf8(kind);
    for (const wchar_t* kind : {L"MessageBoxConfirm", L"MessageBoxQuestion"})
        EXPECT_FALSE(manager.GetSection(kind)[L"cancelbtn"].empty()) << platform::toUtf8(kind);
    for (const wchar_t* item : {L"item_help", L"item_faq", L"item_about", L"item_support", L"item_language", L"item_exit"})
        EXPECT_FALSE(manager.GetSection(L"MenuWnd")[item].empty()) << platform::toUtf8(item);
}

// Key sets per section, as the file holds them.
std::map<std::wstring, std::set<std::wstring>> keySets(const std::wstring& path) {
    IniFile file;
    EXPECT_EQ(0, file.load(path)) << platform::toUtf8(path);
    std::map<std::wstring, std::set<std::wstring>> sets;
    for (const std::wstring& section : file.sectionNames())
        for (const IniEntry& entry : file.sectionEntries(section)) {
            EXPECT_TRUE(entry.hasValue) << platform::toUtf8(entry.key);
            EXPECT_TRUE(sets[section].insert(entry.key).second) << "twice: " << platform::toUtf8(entry.key);
        }
    for (const std::wstring& section : file.sectionNames()) sets[section];
    return sets;
}

TEST(ShippedLanguageFiles, CoverEveryMessageWithTheRightPlaceholders) {
    // A copy: switching languages writes config.ini.
    test::TempDir dir;
    ASSERT_EQ(0, platform::createFolderTree(dir.file(L"Languages")));
    const std::wstring source = shippedFolder();
    test::writeWholeFile(dir.file(L"config.ini"), test::readWholeFile(platform::joinPath(source, L"config.ini")));

    CLanguageManager manager(dir.path());
    EXPECT_EQ(L"English", manager.GetCurrentLanguage());
    ASSERT_GE(manager.GetLanguageList().size(), 2u);
    EXPECT_EQ(L"English", manager.GetLanguageList().front().first);
    for (const auto& [fileName, shown] : manager.GetLanguageList()) {
        EXPECT_FALSE(shown.empty());
        const std::wstring name = fileName + L".ini";
        const std::wstring from = platform::joinPath(platform::joinPath(source, L"Languages"), name);
        ASSERT_TRUE(platform::pathExists(from)) << platform::toUtf8(name);
        test::writeWholeFile(platform::joinPath(dir.file(L"Languages"), name), test::readWholeFile(from));
    }

    const auto english = keySets(platform::joinPath(dir.file(L"Languages"), L"English.ini"));
    for (const wchar_t* section : kWindowSections) EXPECT_EQ(1u, english.count(section)) << platform::toUtf8(section);
    for (const auto& [fileName, shown] : manager.GetLanguageList()) {
        SCOPED_TRACE(platform::toUtf8(fileName));
        ASSERT_EQ(0, manager.SetLanguage(fileName));
        ASSERT_EQ(fileName, manager.GetCurrentLanguage());
        checkMessages(manager);
        // Exactly the sections and keys of English.
        auto other = keySets(platform::joinPath(dir.file(L"Languages"), fileName + L".ini"));
        for (const auto& [section, keys] : english) {
            const auto& theirs = other[section];
            for (const std::wstring& key : keys)
                EXPECT_EQ(1u, theirs.count(key)) << "missing " << platform::toUtf8(section + L"/" + key);
            for (const std::wstring& key : theirs)
                EXPECT_EQ(1u, keys.count(key)) << "not in English: " << platform::toUtf8(section + L"/" + key);
        }
        EXPECT_EQ(english.size(), other.size()) << "sections differ";
    }
}

}  // namespace
}  // namespace qm::app
