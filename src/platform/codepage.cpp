#include "platform/codepage.h"

#include <iconv.h>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cerrno>
#include <map>
#include <mutex>

namespace cotavia {

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five undefined positions (kept as the C1 control).
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QByteArray g_oem = "CP850";

}  // namespace

QString fromCp1252(const QByteArray& bytes) {
  QString out;
  out.resize(bytes.size());
  QChar* d = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    char16_t u = c;
    if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80]) u = kHigh[c - 0x80];
    d[i] = QChar(u);
  }
  return out;
}

int cp1252Byte(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF) || (u >= 0x80 && u < 0xA0 && !kHigh[u - 0x80])) return u;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == u) return 0x80 + i;
  return -1;
}

QByteArray toCp1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  for (QChar ch : text) {
    const int b = cp1252Byte(ch.unicode());
    out.append(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

QString notInCp1252(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (cp1252Byte(text[i].unicode()) >= 0) continue;
    // A character beyond 16 bits is a surrogate pair: both halves together.
    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    const QString c = text.mid(i, n);
    if (!out.contains(c)) out += c;
    i += n - 1;
  }
  return out;
}

QByteArray oemCodePage() { return g_oem; }
void setOemCodePage(const QByteArray& name) { g_oem = name.isEmpty() ? QByteArray("CP850") : name; }

QByteArray cp1252ToOem(const QByteArray& bytes, const QByteArray& codePage) {
  const QByteArray cp = codePage.isEmpty() ? g_oem : codePage;
  // A 256-entry table per code page, built once through iconv, keeps the conversion byte for byte.
  static std::mutex m;
  static std::map<QByteArray, std::array<char, 256>> tables;
  std::array<char, 256>* table = nullptr;
  {
    std::lock_guard<std::mutex> lock(m);
    auto it = tables.find(cp);
    if (it == tables.end()) {
      std::array<char, 256> t{};
      iconv_t cd = iconv_open(cp.constData(), "CP1252");
      for (int i = 0; i < 256; ++i) {
        t[i] = i < 0x80 ? static_cast<char>(i) : '?';
        if (i < 0x80 || cd == reinterpret_cast<iconv_t>(-1)) continue;
        char in = static_cast<char>(i);
        char outBuf[8];
        char* ip = &in;
        char* op = outBuf;
        size_t il = 1, ol = sizeof outBuf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && op - outBuf == 1) t[i] = outBuf[0];
      }
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
      it = tables.emplace(cp, t).first;
    }
    table = &it->second;
  }
  QByteArray out(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) out[i] = (*table)[static_cast<unsigned char>(bytes[i])];
  return out;
}

QByteArray utf8OrCp1252ToCp1252(const QByteArray& bytes) {
  QByteArray b = bytes;
  if (b.startsWith("\xEF\xBB\xBF")) b.remove(0, 3);
  QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString s = dec.decode(b);
  if (!dec.hasError()) return toCp1252(s);
  return b;
}

bool isUtf8(const QByteArray& bytes) {
  QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = dec.decode(bytes);  // decode() only converts when its result is taken
  return !dec.hasError();
}

}  // namespace cotavia
