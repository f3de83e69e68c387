#pragma once
// The supplier's files in the program's folder: the identity file CNPJCPF.KSD (the CNPJ or CPF,
// one line of 14 characters) and the supplier data file FORNEC.KSD (name, address, city).
#include <QByteArray>
#include <QString>
#include <optional>

namespace cotavia {

inline constexpr char kIdentityFileName[] = "CNPJCPF.KSD";
inline constexpr char kSupplierFileName[] = "FORNEC.KSD";

// The first line of FOLDER/CNPJCPF.KSD, whole (without line end); nullopt when the file does
// not exist. Throws AppError when it exists but cannot be read.
std::optional<QByteArray> readIdentityLine(const QString& folder);

// The identity as the start screen takes it: the first 14 characters of the first line, or
// nullopt when the file is missing or its first line holds only blanks and control characters.
std::optional<QByteArray> readIdentity(const QString& folder);

// The typed identity made up to 14 characters with leading "0"s (longer texts unchanged):
// "12345678901" -> "00012345678901".
QByteArray padIdentity(const QByteArray& typed);

// Writes FOLDER/CNPJCPF.KSD (atomically) with padIdentity(typed) as its only line and returns
// that text. Throws AppError on failure.
QByteArray writeIdentity(const QString& folder, const QByteArray& typed);

// Display form of an identity line, trailing blanks removed. A valid CNPJ (14 digits) gives
// "CNPJ: 12.345.678/0001-95"; otherwise digits whose last 11 are a valid CPF, with only "0"s
// before them (a CPF is stored with three leading zeros), give "CPF: 123.456.789-09", and so do
// 14 characters beginning with "000" that are neither (the last 11 shown as typed). Any other
// text goes by its length: 12 or more characters give the CNPJ form (zero-padded to 14), fewer
// the CPF form (zero-padded to 11). Every screen, printout and file shows the identity this way.
QByteArray identityDisplay(const QByteArray& identityLine);

// Check digits: `digits` is a CNPJ of 14 digits, or a CPF of 11 digits, whose last two digits are
// right. Anything else (another length, a character that is not a digit, one digit repeated
// throughout, which the registries never issue) is not.
bool isValidCnpj(const QByteArray& digits);
bool isValidCpf(const QByteArray& digits);

// An identity typed or given anew (the first-access panel, "Alterar CNPJ/CPF", --identity): ASCII
// digits only, forming a valid CNPJ (14 digits) or CPF (11 digits, or 14 when made up with "000" as
// CNPJCPF.KSD keeps it). Returns it made up to 14 characters (padIdentity). Throws AppError
// (Refused) with the sentence to show: "O CNPJ 12.345.678/0001-90 não é válido: confira os
// dígitos." An identity read from CNPJCPF.KSD is taken as it is, unchecked.
QByteArray newIdentity(const QString& typed);

struct SupplierData {
  QByteArray name;     // Edit_Fornecedor
  QByteArray address;  // Edit_For_Endereco
  QByteArray city;     // Edit_For_Cidade
};

// The supplier's texts as typed: each must be one Windows-1252 can hold, since "?" in place of
// a character (an emoji) would change the name printed on the proposal, and hold no control
// character (a line break would shift the lines of FORNEC.KSD). Throws AppError (Refused) naming
// the field and the characters, and saying nothing was saved.
SupplierData supplierFromText(const QString& name, const QString& address, const QString& city);
// The field of supplierFromText's refusal: 0 name, 1 address, 2 city; -1 when all are held.
int supplierTextRefused(const QString& name, const QString& address, const QString& city);

bool supplierDataExists(const QString& folder);
// Lines 1-3 of FOLDER/FORNEC.KSD (missing lines are empty; a missing file gives three empty
// texts). Throws AppError when the file exists but cannot be read.
SupplierData readSupplierData(const QString& folder);
// The three texts as FORNEC.KSD holds them, one per line.
QList<QByteArray> supplierDataLines(const SupplierData& data);
// Replaces FOLDER/FORNEC.KSD atomically with the three texts, one per line.
void writeSupplierData(const QString& folder, const SupplierData& data);

}  // namespace cotavia
