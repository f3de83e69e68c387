#include "platform/amounts.h"

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

constexpr unsigned long long kPow10[20] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};

void setDigits(Decimal& d, unsigned long long n, int exponent) {
  // n has exactly 18 digits: two halves of 9, each done in 32 bits.
  unsigned lo = static_cast<unsigned>(n % 1000000000ULL);
  unsigned hi = static_cast<unsigned>(n / 1000000000ULL);
  for (int i = 8; i >= 0; --i) {
    d.digits[9 + i] = static_cast<char>('0' + lo % 10);
    lo /= 10;
    d.digits[i] = static_cast<char>('0' + hi % 10);
    hi /= 10;
  }
  d.count = kMaxDigits;
  d.exponent = exponent;
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
}

// The 18 significant digits of |v|, rounded to nearest, for 0.01 <= |v| < 1e18, with integer
// arithmetic: |v| = m * 2^-shift exactly, and round(|v| * 10^k) needs at most 128 bits.
bool fastDecimal(long double a, Decimal& d) {
  if (!(a >= 0.01L && a < 1e18L)) return false;
  int ex = 0;
  const long double f = std::frexp(a, &ex);  // a = f * 2^ex, 0.5 <= f < 1
  const unsigned long long m = static_cast<unsigned long long>(std::ldexp(f, 64));
  const int shift = 64 - ex;  // a = m * 2^-shift, 0 <= shift <= 71
  if (shift < 0 || shift > 100) return false;
  int e10 = static_cast<int>(std::floor((ex - 1) * 0.30102999566398120));  // off by one at most
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = kMaxDigits - 1 - e10;
    if (k < 0 || k > 19) return false;
    const unsigned __int128 product = static_cast<unsigned __int128>(m) * kPow10[k];
    unsigned __int128 n = shift ? (product >> shift) : product;
    if (n >= kPow10[18]) {
      ++e10;
      continue;
    }
    if (n < kPow10[17]) {
      --e10;
      continue;
    }
    if (shift) {
      const unsigned __int128 rest = product & ((static_cast<unsigned __int128>(1) << shift) - 1);
      const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
      if (rest > half || (rest == half && (n & 1))) ++n;
    }
    if (n == kPow10[18]) {
      n = kPow10[17];
      ++e10;
    }
    setDigits(d, static_cast<unsigned long long>(n), e10);
    return true;
  }
  return false;
}

Decimal toDecimal(long double v) {
  Decimal d;
  d.negative = std::signbit(v);
  if (v == 0) return d;
  if (fastDecimal(std::fabs(v), d)) return d;
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
  if (last - first <= 18) {  // digits only: exact in 64 bits
    unsigned long long n = 0;
    const char* p = first;
    for (; p < last && *p >= '0' && *p <= '9'; ++p) n = n * 10 + static_cast<unsigned>(*p - '0');
    if (p == last && p != first) {
      out = static_cast<long double>(n);
      return true;
    }
  }
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
  // Whole numbers that fit the precision (digit strings of grid cells) are written directly.
  if (v >= 0 && v < static_cast<long double>(kPow10[precision]) && v == std::floor(v))
    return QByteArray::number(static_cast<qulonglong>(v));
  return generalText(toDecimal(v), precision);
}

QByteArray padLeft(const QByteArray& text, int width) {
  if (text.size() >= width) return text;
  QByteArray out(width, ' ');
  std::memcpy(out.data() + (width - text.size()), text.constData(), text.size());
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
  if (end - p > 0 && end - p <= 18) {  // the usual case: digits only
    unsigned long long n = 0;
    const char* q = p;
    for (; q < end && isDigit(*q); ++q) n = n * 10 + static_cast<unsigned>(*q - '0');
    if (q == end) return static_cast<long double>(n);
  }
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
  unsigned long long n = 0;
  int count = 0;
  for (char c : text) {
    if (!isDigit(c)) continue;
    if (count < 18)
      n = n * 10 + static_cast<unsigned>(c - '0');
    else if (count == 18)
      digits = QByteArray::number(n) + c;
    else
      digits += c;
    ++count;
  }
  if (count == 0) throw invalidFloat(textForMessage(text));
  if (count <= 18) return static_cast<long double>(n);
  long double v = 0;
  if (!plainToNumber(digits.constData(), digits.constData() + digits.size(), v) || !std::isfinite(v))
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
