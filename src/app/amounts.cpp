#include "app/amounts.h"

#include "platform/codepage.h"
#include "platform/error.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace cotavia {

namespace {

constexpr int kMaxDigits = 18;  // significant digits of the extended type's decimal form

// A value's decimal form: `digits` (most significant first, no leading zero unless the value
// is zero) times 10 to the power (exponent - count + 1), i.e. digits[0] stands for 10^exponent.
struct Decimal {
  char digits[kMaxDigits + 2];
  int count = 0;
  int exponent = 0;
  bool negative = false;
  bool zero() const { return count == 0; }
};

Decimal toDecimal(long double v) {
  Decimal d;
  d.negative = std::signbit(v);
  if (v == 0) return d;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, kMaxDigits - 1);
  *r.ptr = 0;
  // d.ddddde+XX
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits[d.count++] = *p;
  d.exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
  return d;
}

// Keeps at most `keep` leading digits, rounding half away from zero on the next digit.
void roundDigits(Decimal& d, int keep) {
  if (d.count <= keep) return;
  if (keep < 0) {
    d.count = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') --i;
    if (i < 0) {
      d.digits[0] = '1';
      d.count = 1;
      ++d.exponent;
    } else {
      ++d.digits[i];
      d.count = i + 1;
    }
  }
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
}

char digitAt(const Decimal& d, int power) {
  const int i = d.exponent - power;
  return (i >= 0 && i < d.count) ? d.digits[i] : '0';
}

QByteArray generalText(Decimal d, int precision) {
  roundDigits(d, precision);
  if (d.zero()) return "0";
  QByteArray out;
  if (d.negative) out += '-';
  if (d.exponent < -4 || d.exponent >= precision) {
    out += d.digits[0];
    if (d.count > 1) {
      out += ',';
      out.append(d.digits + 1, d.count - 1);
    }
    out += 'E';
    out += QByteArray::number(d.exponent);
    return out;
  }
  if (d.exponent < 0) {
    out += "0,";
    out.append(QByteArray(-d.exponent - 1, '0'));
    out.append(d.digits, d.count);
    return out;
  }
  for (int p = d.exponent; p >= 0; --p) out += digitAt(d, p);
  if (d.count > d.exponent + 1) {
    out += ',';
    out.append(d.digits + d.exponent + 1, d.count - d.exponent - 1);
  }
  return out;
}

QByteArray fixedText(long double v, int decimals, int maxSignificant, bool thousands) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (maxSignificant < 1) maxSignificant = 1;
  if (maxSignificant > kMaxDigits) maxSignificant = kMaxDigits;
  Decimal d = toDecimal(v);
  const Decimal original = d;
  roundDigits(d, std::min(maxSignificant, d.exponent + 1 + decimals));
  if (!d.zero() && d.exponent + 1 > maxSignificant) return generalText(original, maxSignificant);

  QByteArray out;
  out.reserve(32);
  if (d.negative && !d.zero()) out += '-';
  if (d.zero() || d.exponent < 0) {
    out += '0';
  } else {
    for (int p = d.exponent; p >= 0; --p) {
      out += digitAt(d, p);
      if (thousands && p > 0 && p % 3 == 0) out += '.';
    }
  }
  if (decimals > 0) {
    out += ',';
    for (int p = -1; p >= -decimals; --p) out += d.zero() ? '0' : digitAt(d, p);
  }
  return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Converts a plain "digits[.digits]" text (C notation) to a number.
bool plainToNumber(const char* first, const char* last, long double& out) {
  auto r = std::from_chars(first, last, out, std::chars_format::general);
  return r.ec == std::errc() && r.ptr == last;
}

}  // namespace

std::string textForMessage(const QByteArray& cp1252) {
  QByteArray shown = cp1252;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return fromCp1252(shown).toStdString();
}

QByteArray formatAmount(long double v, int decimals, int maxSignificant) {
  return fixedText(v, decimals, maxSignificant, true);
}

QByteArray formatFixed(long double v, int decimals, int maxSignificant) {
  return fixedText(v, decimals, maxSignificant, false);
}

QByteArray formatGeneral(long double v, int precision) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  if (precision < 1) precision = 1;
  if (precision > kMaxDigits) precision = kMaxDigits;
  return generalText(toDecimal(v), precision);
}

QByteArray padLeft(const QByteArray& text, int width) {
  if (text.size() >= width) return text;
  QByteArray out(width - text.size(), ' ');
  out += text;
  return out;
}

QByteArray padRight(const QByteArray& text, int width) {
  if (text.size() >= width) return text;
  QByteArray out = text;
  out.append(QByteArray(width - text.size(), ' '));
  return out;
}

QByteArray trimRight(const QByteArray& text) {
  qsizetype n = text.size();
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  return text.left(n);
}

long double strToFloat(const QByteArray& text) {
  const char* p = text.constData();
  const char* end = p + text.size();
  while (p < end && *p == ' ') ++p;
  while (end > p && end[-1] == ' ') --end;
  // Rewritten into C notation: digits, ".", digits, exponent.
  QByteArray buf;
  buf.reserve(end - p + 2);
  bool neg = false;
  const char* s = p;
  if (s < end && (*s == '+' || *s == '-')) neg = *s++ == '-';
  bool anyDigit = false;
  bool seenSep = false;
  for (; s < end; ++s) {
    if (isDigit(*s)) {
      anyDigit = true;
      buf += *s;
    } else if (*s == ',' && !seenSep) {
      seenSep = true;
      buf += '.';
    } else {
      break;
    }
  }
  if (!anyDigit) throw invalidFloat(textForMessage(text));
  if (buf.endsWith('.')) buf.chop(1);  // "12," reads as 12
  if (s < end && (*s == 'E' || *s == 'e')) {
    buf += 'e';
    ++s;
    if (s < end && (*s == '+' || *s == '-')) buf += *s++;
    const char* expStart = s;
    for (; s < end && isDigit(*s); ++s) buf += *s;
    if (s == expStart) throw invalidFloat(textForMessage(text));
  }
  long double v = 0;
  if (s != end || !plainToNumber(buf.constData(), buf.constData() + buf.size(), v) || !std::isfinite(v))
    throw invalidFloat(textForMessage(text));
  return neg ? -v : v;
}

int strToInt(const QByteArray& text) {
  const char* p = text.constData();
  const char* end = p + text.size();
  while (p < end && *p == ' ') ++p;
  bool neg = false;
  if (p < end && (*p == '+' || *p == '-')) neg = *p++ == '-';
  if (p == end) throw invalidInteger(textForMessage(text));
  long long v = 0;
  for (; p < end; ++p) {
    if (!isDigit(*p)) throw invalidInteger(textForMessage(text));
    v = v * 10 + (*p - '0');
    if (v > 2147483648LL) throw invalidInteger(textForMessage(text));
  }
  if (neg) v = -v;
  if (v > 2147483647LL) throw invalidInteger(textForMessage(text));
  return static_cast<int>(v);
}

long double somente_numeros(const QByteArray& text) {
  QByteArray digits;
  digits.reserve(text.size());
  for (char c : text)
    if (isDigit(c)) digits += c;
  long double v = 0;
  if (digits.isEmpty() || !plainToNumber(digits.constData(), digits.constData() + digits.size(), v) ||
      !std::isfinite(v))
    throw invalidFloat(textForMessage(text));
  return v;
}

long double parseNumEditText(const QByteArray& text, char decimalSeparator) {
  QByteArray digits("0");
  digits.reserve(text.size() + 1);
  bool seenSep = false;
  for (char c : text) {
    if (isDigit(c)) {
      digits += c;
    } else if (c == decimalSeparator && !seenSep) {
      seenSep = true;
      digits += '.';
    }
  }
  if (digits.endsWith('.')) digits.chop(1);
  long double v = 0;
  if (!plainToNumber(digits.constData(), digits.constData() + digits.size(), v)) v = 0;
  if (digits != "0" && !text.isEmpty() && text[0] == '-') v = -v;
  return v;
}

QByteArray numEditFixed(long double value, int decimals) { return formatFixed(value, decimals, kMaxDigits); }

long double numEditRound(long double value, int decimals) { return parseNumEditText(numEditFixed(value, decimals)); }

QByteArray numEditDisplay(long double value, int decimals, bool showSeparator) {
  return showSeparator ? formatAmount(value, decimals, kMaxDigits) : numEditFixed(value, decimals);
}

}  // namespace cotavia
