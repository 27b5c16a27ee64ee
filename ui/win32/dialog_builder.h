#pragma once
// CDialogBuilder: builds a control tree from a skin XML file of the window's skin source
// ("xml\\skin.xml"), applying <Window>, <Font>, <Default> and following <Include source="...">.
// Unknown elements are asked from the callback (custom classes of the program).
#include <string>
#include <string_view>
#include <vector>

#include "ui/core/xml_document.h"
#include "ui/win32/ui_defs.h"

namespace qm::ui {

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for element `className`, or nullptr when the element is not the program's.
  virtual CControlUI* CreateControl(std::wstring_view className) = 0;
};

class CDialogBuilder {
 public:
  // The root control (owned by the caller until attached to a manager), or nullptr with
  // GetLastErrorText() saying what went wrong (missing file, XML error with line, ...).
  CControlUI* Create(std::wstring_view skinPath, IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                     CControlUI* parent = nullptr);
  // Builds from an already parsed document.
  CControlUI* Create(const XmlElement& root, IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                     CControlUI* parent = nullptr);
  const std::wstring& GetLastErrorText() const { return m_error; }
  // Elements that made no control (unknown names), with their lines: the skin still builds.
  const std::vector<std::wstring>& GetWarnings() const { return m_warnings; }

  // A control of a library class by element name ("Button", "VerticalLayout", ...), or nullptr.
  static CControlUI* CreateLibraryControl(std::wstring_view className);
  // Takes a window-level resource element (<Font>, <Default>) into the manager; others are ignored.
  static void ApplyResourceElement(const XmlElement& element, CPaintManagerUI* manager);

 private:
  // false (with m_error) on a fault that makes the skin unusable; *created may stay nullptr for
  // elements that make no control (Font, Default, unknown names).
  bool BuildNode(const XmlElement& element, CControlUI* parent, IDialogBuilderCallback* callback,
                 CPaintManagerUI* manager, int depth, CControlUI** created);
  bool BuildChildren(const XmlElement& element, CControlUI* parent, IDialogBuilderCallback* callback,
                     CPaintManagerUI* manager, int depth, CControlUI** first);
  bool AddToParent(CControlUI* parent, CControlUI* control);
  bool LoadDocument(std::wstring_view path, CPaintManagerUI* manager, XmlElement& out);

  std::wstring m_error;
  std::vector<std::wstring> m_warnings;
  int m_includeDepth = 0;
};

}  // namespace qm::ui
