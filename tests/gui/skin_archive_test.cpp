// The skin archive as the program carries it (resource ZIPRES 101): every layout parses, every
// picture it names is in the archive, and the windows find the controls they look up by name.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/markup.h"
#include "ui/core/skin_values.h"
#include "ui/core/xml_document.h"
#include "ui/core/zip_archive.h"

namespace {

using qm::ui::XmlElement;

const qm::ui::ZipArchive& SkinArchive() {
  static qm::ui::ZipArchive archive = [] {
    qm::ui::ZipArchive zip;
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(101), L"ZIPRES");
    HGLOBAL handle = info ? LoadResource(nullptr, info) : nullptr;
    auto* bytes = static_cast<const std::uint8_t*>(handle ? LockResource(handle) : nullptr);
    if (bytes) zip.open(std::vector<std::uint8_t>(bytes, bytes + SizeofResource(nullptr, info)));
    return zip;
  }();
  return archive;
}

XmlElement LoadLayout(const std::wstring& name) {
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(SkinArchive().extract(name, bytes), 0) << std::string(name.begin(), name.end());
  qm::ui::XmlParseResult parsed = qm::ui::ParseXml(bytes);
  EXPECT_TRUE(parsed.ok) << std::string(name.begin(), name.end()) << " line " << parsed.line;
  return parsed.root;
}

void ForEachElement(const XmlElement& element, const std::function<void(const XmlElement&)>& visit) {
  visit(element);
  for (const XmlElement& child : element.children) ForEachElement(child, visit);
}

const XmlElement* FindNamed(const XmlElement& root, const std::wstring& name) {
  const XmlElement* found = nullptr;
  ForEachElement(root, [&](const XmlElement& e) {
    const std::wstring* n = e.attribute(L"name");
    if (!found && n && *n == name && e.name != L"Font") found = &e;
  });
  return found;
}

std::wstring AttributeOr(const XmlElement* element, const wchar_t* name, const wchar_t* fallback = L"") {
  const std::wstring* value = element ? element->attribute(name) : nullptr;
  return value ? *value : fallback;
}

// The name="value" lists of <Default value=...> and the tree's per-node attributes.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& list, bool& ok) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  ok = true;
  size_t pos = 0;
  while (pos < list.size()) {
    if (list[pos] == L' ') {
      ++pos;
      continue;
    }
    size_t equals = list.find(L"=\"", pos);
    size_t close = equals == std::wstring::npos ? equals : list.find(L'"', equals + 2);
    if (close == std::wstring::npos) {
      ok = false;
      break;
    }
    out.emplace_back(list.substr(pos, equals - pos), list.substr(equals + 2, close - equals - 2));
    pos = close + 1;
  }
  return out;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Checks one attribute's value by its kind; returns the problems found.
void CheckValue(const std::wstring& where, const std::wstring& name, const std::wstring& value, bool markup,
                std::vector<std::string>& problems) {
  const auto& zip = SkinArchive();
  auto endsWith = [&](const wchar_t* suffix) {
    std::wstring s(suffix);
    return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
  };
  if (endsWith(L"image") && !value.empty()) {
    qm::ui::ImageAttributes image;
    if (!qm::ui::ParseImageAttributes(value, image)) {
      problems.push_back(Narrow(where + L" " + name + L": malformed " + value));
    } else if (!zip.contains(image.file)) {
      problems.push_back(Narrow(where + L" " + name + L": no picture " + image.file));
    }
  } else if (endsWith(L"color")) {
    std::uint32_t argb = 0;
    if (!qm::ui::ParseColor(value, argb)) problems.push_back(Narrow(where + L" " + name + L": colour " + value));
  } else if (name == L"folderattr" || name == L"checkboxattr" || name == L"itemattr") {
    bool ok = false;
    for (const auto& [n, v] : ParseAttributeList(value, ok)) CheckValue(where + L" " + name, n, v, false, problems);
    if (!ok) problems.push_back(Narrow(where + L" " + name + L": malformed list"));
  } else if (name == L"text" && markup) {
    qm::ui::MarkupParseResult parsed = qm::ui::ParseMarkup(value);
    if (!parsed.ok) problems.push_back(Narrow(where + L": markup " + parsed.error));
    for (const auto& token : parsed.tokens) {
      std::wstring file = token.argument.substr(0, token.argument.find(L' '));
      if (token.tag == L'I' && !zip.contains(file)) problems.push_back(Narrow(where + L": markup picture " + file));
    }
  }
}

std::vector<std::string> CheckLayout(const std::wstring& file, const XmlElement& root, std::set<std::wstring>& names) {
  std::vector<std::string> problems;
  ForEachElement(root, [&](const XmlElement& e) {
    std::wstring where = file + L" <" + e.name + L" " + AttributeOr(&e, L"name") + L">";
    if (e.name == L"Font") return;
    if (const std::wstring* name = e.attribute(L"name"); name && e.name != L"Default") {
      if (!names.insert(*name).second) problems.push_back(Narrow(where + L": name used twice"));
    }
    if (e.name == L"Default") {
      bool ok = false;
      for (const auto& [n, v] : ParseAttributeList(AttributeOr(&e, L"value"), ok)) CheckValue(where, n, v, false, problems);
      if (!ok) problems.push_back(Narrow(where + L": malformed value"));
      return;
    }
    if (e.name == L"Include" && !SkinArchive().contains(AttributeOr(&e, L"source"))) {
      problems.push_back(Narrow(where + L": include not in the archive"));
    }
    bool markup = AttributeOr(&e, L"showhtml") == L"true" || e.name.rfind(L"List", 0) == 0;
    for (const auto& attribute : e.attributes) CheckValue(where, attribute.name, attribute.value, markup, problems);
  });
  return problems;
}

bool PngSize(const std::wstring& name, std::uint32_t& width, std::uint32_t& height) {
  std::vector<std::uint8_t> bytes;
  if (SkinArchive().extract(name, bytes) != 0 || bytes.size() < 24) return false;
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!std::equal(kSignature, kSignature + 8, bytes.begin())) return false;
  auto be32 = [&](size_t at) {
    return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) | (std::uint32_t(bytes[at + 2]) << 8) |
           bytes[at + 3];
  };
  width = be32(16);
  height = be32(20);
  return true;
}

TEST(SkinArchive, EveryLayoutParsesAndNamesOnlyPicturesItHolds) {
  ASSERT_FALSE(SkinArchive().names().empty()) << "resource ZIPRES 101 missing or damaged";
  int layouts = 0;
  std::set<std::wstring> galleryNames;
  for (const std::wstring& name : SkinArchive().names()) {
    if (name.size() < 4 || name.compare(name.size() - 4, 4, L".xml") != 0) continue;
    ++layouts;
    XmlElement root = LoadLayout(name);
    // The gallery and its included page form one window, so their names share one set.
    std::set<std::wstring> own;
    bool gallery = name.find(L"Gallery") != std::wstring::npos;
    for (const std::string& problem : CheckLayout(name, root, gallery ? galleryNames : own)) ADD_FAILURE() << problem;
  }
  EXPECT_GE(layouts, 9);
}

TEST(SkinArchive, MessageBoxesHaveTheirCaptionPictureTextAndButtons) {
  struct Kind {
    const wchar_t* skin;
    const wchar_t* picture;
    const wchar_t* cancelCaption;  // nullptr: no cancel button
  };
  const Kind kinds[] = {{L"xml/MessageBox_Error.xml", L"MessageBox/error.png", nullptr},
                        {L"xml/MessageBox_Confirm.xml", L"MessageBox/confirmation.png", L"Cancel"},
                        {L"xml/MessageBox_Information.xml", L"MessageBox/information.png", nullptr},
                        {L"xml/MessageBox_Warning.xml", L"MessageBox/warning.png", nullptr},
                        {L"xml/MessageBox_Question.xml", L"MessageBox/question.png", L"No"}};
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(Narrow(kind.skin));
    XmlElement root = LoadLayout(kind.skin);
    EXPECT_EQ(AttributeOr(&root, L"size"), L"400,160");
    EXPECT_EQ(AttributeOr(&root, L"caption"), L"0,0,0,36");
    const XmlElement* strip = nullptr;
    ForEachElement(root, [&](const XmlElement& e) {
      for (const XmlElement& child : e.children) {
        if (AttributeOr(&child, L"name") == L"title") strip = &e;
      }
    });
    ASSERT_NE(strip, nullptr) << "no \"title\"";
    EXPECT_EQ(AttributeOr(strip, L"height"), L"36") << "caption strip";
    EXPECT_NE(FindNamed(*strip, L"closebtn"), nullptr) << "closebtn belongs to the caption strip";
    const XmlElement* message = FindNamed(root, L"message");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->name, L"Text");
    EXPECT_EQ(AttributeOr(message, L"showhtml"), L"true");
    EXPECT_NE(AttributeOr(message, L"align").find(L"wrap"), std::wstring::npos);
    EXPECT_NE(FindNamed(root, L"okbtn"), nullptr);
    const XmlElement* cancel = FindNamed(root, L"cancelbtn");
    if (kind.cancelCaption) {
      ASSERT_NE(cancel, nullptr);
      EXPECT_EQ(AttributeOr(cancel, L"text"), kind.cancelCaption);
    } else {
      EXPECT_EQ(cancel, nullptr);
    }
    bool showsPicture = false;
    ForEachElement(root, [&](const XmlElement& e) {
      qm::ui::ImageAttributes image;
      if (qm::ui::ParseImageAttributes(AttributeOr(&e, L"bkimage"), image) && image.file == kind.picture) {
        showsPicture = true;
      }
    });
    EXPECT_TRUE(showsPicture);
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(PngSize(kind.picture, width, height));
    EXPECT_EQ(width, 48u);
    EXPECT_EQ(height, 48u);
  }
}

TEST(SkinArchive, PopupBaseAndAssistMenuCarryTheNamesTheProgramUses) {
  XmlElement popup = LoadLayout(L"xml/PopUp.xml");
  EXPECT_NE(FindNamed(popup, L"title"), nullptr);
  EXPECT_NE(FindNamed(popup, L"closebtn"), nullptr);
  EXPECT_EQ(AttributeOr(&popup, L"caption"), L"0,0,0,36");

  XmlElement menu = LoadLayout(L"xml/menu_assist.xml");
  const XmlElement* column = FindNamed(menu, L"menu_assist");
  ASSERT_NE(column, nullptr);
  EXPECT_EQ(column->name, L"Menu");
  std::vector<std::wstring> entries;
  for (const XmlElement& child : column->children) {
    if (child.name == L"MenuElement") entries.push_back(AttributeOr(&child, L"name"));
  }
  EXPECT_EQ(entries, (std::vector<std::wstring>{L"item_help", L"item_faq", L"item_about", L"item_support",
                                                L"item_language", L"item_exit"}));
}

TEST(SkinArchive, GalleryShowsEveryControlClass) {
  XmlElement gallery = LoadLayout(L"xml/Gallery.xml");
  XmlElement page = LoadLayout(L"xml/GalleryPage.xml");
  std::set<std::wstring> classes;
  for (const XmlElement* root : {&gallery, &page}) {
    ForEachElement(*root, [&](const XmlElement& e) { classes.insert(e.name); });
  }
  for (const wchar_t* wanted : {L"Label", L"Text", L"Button", L"Option", L"CheckBox", L"Edit", L"RichEdit", L"List",
                                L"ListHeader", L"ListHeaderItem", L"TreeView", L"TreeNode", L"Progress", L"TabLayout",
                                L"Include", L"ButtonEx", L"FileTree", L"DiskList", L"Pagination"}) {
    EXPECT_TRUE(classes.count(wanted)) << Narrow(wanted);
  }
  const XmlElement* preview = FindNamed(page, L"PreviewEdit");
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->name, L"RichEdit");
  int groupMembers = 0;
  ForEachElement(gallery, [&](const XmlElement& e) {
    if (e.name == L"Option" && AttributeOr(&e, L"group") == L"GalleryGroup") ++groupMembers;
  });
  EXPECT_EQ(groupMembers, 3);
  const XmlElement* list = FindNamed(gallery, L"GalleryList");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(AttributeOr(list, L"checkbox"), L"true");
  EXPECT_EQ(AttributeOr(list, L"header"), L"true");
}

TEST(SkinArchive, PicturesTheProgramNamesAreThereInTheirFrameLayout) {
  struct Expected {
    const wchar_t* name;
    std::uint32_t width, height;  // 0: any
  };
  const Expected pictures[] = {
      {L"close.png", 108, 36},          {L"minimize.png", 108, 36},       {L"maximize.png", 108, 36},
      {L"restore.png", 108, 36},        {L"expand_flag.png", 32, 16},     {L"point.png", 16, 16},
      {L"checkbox.png", 0, 0},          {L"option.png", 96, 16},          {L"button.png", 320, 32},
      {L"physical_drive.png", 0, 0},    {L"removable_drive.png", 0, 0},   {L"drive.png", 22, 24},
      {L"drive_usb.png", 22, 24},       {L"list_header_bg.png", 0, 0},    {L"list_header_asc.png", 0, 0},
      {L"list_header_desc.png", 0, 0},  {L"banner_bg.png", 0, 0},         {L"banner_bg1.png", 0, 0},
      {L"banner_bg2.png", 0, 0},        {L"scan_files.png", 50, 50},      {L"advance_scan.png", 50, 50},
      {L"recover_file.png", 50, 50},    {L"btn_scan.png", 32, 32},        {L"btn_create_image.png", 28, 32},
      {L"image_files.png", 0, 0},       {L"image_file.png", 24, 24},      {L"sample.png", 0, 0},
      {L"progress_bk.png", 0, 0},       {L"progress_fore.png", 0, 0},     {L"scrollbar_thumb.png", 36, 12},
      {L"menu_bk.png", 0, 0}};
  for (const Expected& picture : pictures) {
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(PngSize(picture.name, width, height)) << Narrow(picture.name);
    if (picture.width) {
      EXPECT_EQ(width, picture.width) << Narrow(picture.name);
    }
    if (picture.height) {
      EXPECT_EQ(height, picture.height) << Narrow(picture.name);
    }
  }
  // The list rows' check column cuts 12x12 glyphs at (0,22) and (48,22).
  std::uint32_t width = 0, height = 0;
  ASSERT_TRUE(PngSize(L"checkbox.png", width, height));
  EXPECT_GE(width, 60u);
  EXPECT_GE(height, 34u);
  // The list header's sort arrow lives in the right 13 pixels, which the nine-grid keeps.
  ASSERT_TRUE(PngSize(L"list_header_asc.png", width, height));
  EXPECT_GT(width, 13u);
}

}  // namespace
