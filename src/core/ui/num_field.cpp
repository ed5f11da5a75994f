#include "core/ui/num_field.h"

#include "core/fetch/decimal_string.h"

void CNumField::StepUp() {
  if (!m_maximum.empty() && CompareDecimal(m_text, m_maximum) == 0) return;
  m_text = IncrementDecimal(m_text, true);
}

void CNumField::StepDown() {
  if (CompareDecimal(m_text, m_minimum) == 0 || IsAllZeros(m_text)) return;
  m_text = DecrementDecimal(m_text, true);
}

int CNumField::SetMaximum(const std::string& maximum) {
  if (!maximum.empty() && CompareDecimal(maximum, m_minimum) < 0) return 1;
  m_maximum = maximum;
  return 0;
}

int CNumField::SetMinimum(const std::string& minimum) {
  if (minimum.empty() || CompareDecimal(minimum, m_maximum) > 0) return 1;
  m_minimum = minimum;
  return 0;
}
