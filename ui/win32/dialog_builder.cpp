#include "ui/win32/dialog_builder.h"

#include <span>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/ui_lib.h"

namespace qm::ui {
namespace {
constexpr int kMaxDepth = 200;
constexpr int kMaxIncludeDepth = 8;

std::wstring LineOf(const XmlElement& e) { return e.line > 0 ? L" (line " + std::to_wstring(e.line) + L")" : L""; }
}  // namespace

CControlUI* CDialogBuilder::CreateLibraryControl(std::wstring_view name) {
  if (name == L"Control") return new CControlUI();
  if (name == L"Container") return new CContainerUI();
  if (name == L"VerticalLayout") return new CVerticalLayoutUI();
  if (name == L"HorizontalLayout") return new CHorizontalLayoutUI();
  if (name == L"TabLayout") return new CTabLayoutUI();
  if (name == L"Label") return new CLabelUI();
  if (name == L"Text") return new CTextUI();
  if (name == L"Button") return new CButtonUI();
  if (name == L"Option") return new COptionUI();
  if (name == L"CheckBox") return new CCheckBoxUI();
  if (name == L"Edit") return new CEditUI();
  if (name == L"RichEdit") return new CRichEditUI();
  if (name == L"List") return new CListUI();
  if (name == L"ListHeader") return new CListHeaderUI();
  if (name == L"ListHeaderItem") return new CListHeaderItemUI();
  if (name == L"ListLabelElement") return new CListLabelElementUI();
  if (name == L"ListImageTextElement") return new CListImageTextElementUI();
  if (name == L"TreeView") return new CTreeViewUI();
  if (name == L"TreeNode") return new CTreeNodeUI();
  if (name == L"Progress") return new CProgressUI();
  if (name == L"ScrollBar") return new CScrollBarUI();
  if (name == L"Menu") return new CMenuUI();
  if (name == L"MenuElement") return new CMenuElementUI();
  return nullptr;
}

bool CDialogBuilder::LoadDocument(std::wstring_view path, CPaintManagerUI* manager, XmlElement& out) {
  CSkinSource* source = manager ? manager->GetResource() : nullptr;
  if (!source) {
    m_error = L"no skin source is set (reading " + std::wstring(path) + L")";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  int rc = source->ReadFile(path, bytes);
  if (rc == 2) {
    m_error = std::wstring(path) + L": not found in the " + source->Describe();
    return false;
  }
  if (rc != 0) {
    m_error = std::wstring(path) + L": cannot be read from the " + source->Describe() + L" (error " +
              std::to_wstring(rc) + L")";
    return false;
  }
  XmlParseResult parsed = ParseXml(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
  if (!parsed.ok) {
    m_error = std::wstring(path) + L": " + parsed.error;
    return false;
  }
  out = std::move(parsed.root);
  return true;
}

CControlUI* CDialogBuilder::Create(std::wstring_view skinPath, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
  m_error.clear();
  m_warnings.clear();
  XmlElement root;
  if (!LoadDocument(skinPath, manager, root)) return nullptr;
  CControlUI* result = Create(root, callback, manager, parent);
  if (!result && !m_error.empty() && m_error.find(std::wstring(skinPath)) == std::wstring::npos) {
    m_error = std::wstring(skinPath) + L": " + m_error;
  }
  return result;
}

CControlUI* CDialogBuilder::Create(const XmlElement& root, IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent) {
  CControlUI* first = nullptr;
  bool ok = false;
  if (root.name == L"Window") {
    if (manager) {
      for (const auto& a : root.attributes) manager->SetWindowAttribute(a.name, a.value);
    }
    ok = BuildChildren(root, parent, callback, manager, 0, &first);
  } else {
    ok = BuildNode(root, parent, callback, manager, 0, &first);
  }
  if (!ok) {
    if (!parent) delete first;  // a parent owns what was added to it already
    return nullptr;
  }
  if (!first) {
    m_error = L"the skin holds no control";
    return nullptr;
  }
  return first;
}

void CDialogBuilder::ApplyResourceElement(const XmlElement& element, CPaintManagerUI* manager) {
  if (!manager) return;
  if (element.name == L"Font") {
    int id = -1, size = 12;
    bool bold = false, underline = false, italic = false, isDefault = false;
    std::wstring face;
    for (const auto& a : element.attributes) {
      if (a.name == L"id") ReadInt(a.value, id);
      else if (a.name == L"name") face = a.value;
      else if (a.name == L"size") ReadInt(a.value, size);
      else if (a.name == L"bold") ReadBool(a.value, bold);
      else if (a.name == L"underline") ReadBool(a.value, underline);
      else if (a.name == L"italic") ReadBool(a.value, italic);
      else if (a.name == L"default") ReadBool(a.value, isDefault);
    }
    manager->AddFont(id, face, size, bold, underline, italic, isDefault);
  } else if (element.name == L"Default") {
    const std::wstring* name = element.attribute(L"name");
    const std::wstring* value = element.attribute(L"value");
    if (name && value) manager->AddDefaultAttributeList(*name, *value);
  }
}

bool CDialogBuilder::BuildChildren(const XmlElement& element, CControlUI* parent, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, int depth, CControlUI** first) {
  CControlUI* container = parent;
  for (const auto& child : element.children) {
    CControlUI* created = nullptr;
    if (!BuildNode(child, container, callback, manager, depth + 1, &created)) {
      if (!container && first && *first != created) delete created;
      return false;
    }
    if (created && first && !*first) {
      *first = created;
      // Without a parent, further top-level controls go into the first one.
      if (!container && created->GetInterface(L"Container")) container = created;
    }
  }
  return true;
}

bool CDialogBuilder::AddToParent(CControlUI* parent, CControlUI* control) {
  if (!parent) return true;
  auto* parentNode = static_cast<CTreeNodeUI*>(parent->GetInterface(L"TreeNode"));
  auto* childNode = static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode"));
  if (parentNode && childNode) return parentNode->AddChildNode(childNode);
  if (auto* header = static_cast<CListHeaderItemUI*>(parent->GetInterface(L"ListHeaderItem"))) return header->AddChild(control);
  auto* container = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
  if (!container) return false;
  return container->Add(control);
}

bool CDialogBuilder::BuildNode(const XmlElement& element, CControlUI* parent, IDialogBuilderCallback* callback,
                               CPaintManagerUI* manager, int depth, CControlUI** created) {
  *created = nullptr;
  if (depth > kMaxDepth) {
    m_error = L"controls are nested too deeply" + LineOf(element);
    return false;
  }
  const std::wstring& name = element.name;
  if (name == L"Font" || name == L"Default") {
    ApplyResourceElement(element, manager);
    return true;
  }
  if (name == L"Image" || name == L"Style") return true;  // resource declarations the library loads lazily
  if (name == L"Include") {
    const std::wstring* source = element.attribute(L"source");
    if (!source || source->empty()) {
      m_error = L"<Include> without a source" + LineOf(element);
      return false;
    }
    if (m_includeDepth >= kMaxIncludeDepth) {
      m_error = L"includes nested too deeply at " + *source;
      return false;
    }
    XmlElement included;
    if (!LoadDocument(*source, manager, included)) return false;
    ++m_includeDepth;
    bool ok = true;
    std::wstring saved;
    if (included.name == L"Window") {
      ok = BuildChildren(included, parent, callback, manager, depth, created);
    } else {
      ok = BuildNode(included, parent, callback, manager, depth, created);
    }
    --m_includeDepth;
    if (!ok && m_error.find(*source) == std::wstring::npos) m_error = *source + L": " + m_error;
    return ok;
  }
  CControlUI* control = CreateLibraryControl(name);
  if (!control && callback) control = callback->CreateControl(name);
  if (!control) {
    // An element no one knows makes no control; the rest of the skin still builds.
    m_warnings.push_back(L"unknown element <" + name + L">" + LineOf(element));
    return true;
  }

  if (manager) {
    if (const std::wstring* defaults = manager->GetDefaultAttributeList(name)) control->ApplyAttributeList(*defaults);
  }
  for (const auto& a : element.attributes) control->SetAttribute(a.name, a.value);
  if (!AddToParent(parent, control)) {
    delete control;  // children of controls that hold none are ignored
    return true;
  }
  *created = control;
  CControlUI* ignored = nullptr;
  for (const auto& child : element.children) {
    if (!BuildNode(child, control, callback, manager, depth + 1, &ignored)) {
      if (!parent) {
        delete control;
        *created = nullptr;
      }
      return false;
    }
  }
  return true;
}

}  // namespace qm::ui
