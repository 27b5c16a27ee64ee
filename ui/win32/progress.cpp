#include "ui/win32/progress.h"

#include <algorithm>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/render_engine.h"

namespace qm::ui {

std::wstring CProgressUI::GetClass() const { return L"ProgressUI"; }

void* CProgressUI::GetInterface(std::wstring_view name) {
  if (name == L"Progress") return this;
  return CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int value) {
  m_min = value;
  if (m_max < m_min) m_max = m_min;
  m_value = std::clamp(m_value, m_min, m_max);
  Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
  m_max = value;
  if (m_min > m_max) m_min = m_max;
  m_value = std::clamp(m_value, m_min, m_max);
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  value = std::clamp(value, m_min, m_max);
  if (value == m_value) return;
  m_value = value;
  Invalidate();
}

void CProgressUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"min") SetMinValue(ReadIntValue(value, m_min));
  else if (name == L"max") SetMaxValue(ReadIntValue(value, m_max));
  else if (name == L"value") SetValue(ReadIntValue(value, m_value));
  else if (name == L"hor") m_horizontal = ReadBoolValue(value);
  else if (name == L"forecolor") ReadColor(value, m_foreColor);
  else CLabelUI::SetAttribute(name, value);
}

void CProgressUI::PaintStatusImage(HDC hdc) {
  if (m_max <= m_min) return;
  // The fore image is drawn over the whole bar but clipped to the done part, so its nine-grid
  // keeps its shape as the bar fills.
  RECT done = m_rcItem;
  const long long span = m_max - m_min, part = m_value - m_min;
  if (m_horizontal) done.right = done.left + static_cast<LONG>((done.right - done.left) * part / span);
  else done.top = done.bottom - static_cast<LONG>((done.bottom - done.top) * part / span);
  RECT clip{};
  if (!Intersect(clip, done, m_rcPaint)) return;
  if (m_foreColor != 0) CRenderEngine::DrawColor(hdc, clip, m_foreColor);
  if (!m_foreImage.empty()) CRenderEngine::DrawImageString(hdc, m_manager, m_rcItem, clip, m_foreImage);
}

}  // namespace qm::ui
