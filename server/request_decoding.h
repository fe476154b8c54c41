// The body of a "request.aspx" post: form variables, some of them enciphered.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zserver {

using Variables = std::map<std::string, std::string>;

// Splits "a=…&b=…&listVarCrypt=a,b" into variables (a repeated name keeps its last value) and
// deciphers every variable named in "listVarCrypt" (request Base64 of DES-CBC, the program's key).
// Plain values are taken as sent: the application does not escape posted values. Enciphered
// values may be percent-escaped by other clients, so their escapes are decoded first.
// nullopt, with the reason in *error, when a listed variable is missing or does not decipher to
// UTF-8 text.
std::optional<Variables> decodeForm(std::string_view body, std::string* error = nullptr);

// The two steps of decodeForm, for callers that add variables from elsewhere (the query string)
// before deciphering.
Variables splitForm(std::string_view body);
bool decipherListed(Variables& vars, std::string* error = nullptr);

} // namespace zserver
