// ktclient subcommands: argument checking and the codec commands; the network commands live in
// network_commands.cpp.
#include "ktclient/commands.h"

#include "client/cipher.h"
#include "client/html_unescape.h"
#include "ktclient/listen_command.h"
#include "ktclient/network_commands.h"

namespace ktclient {
namespace {

constexpr const char* kUsage = "usage: ktclient encrypt TEXT\n"
                               "       ktclient decrypt CIPHERTEXT\n"
                               "       ktclient unescape TEXT\n"
                               "       ktclient open URL\n"
                               "       ktclient request URL ID [NAME=VALUE]...\n"
                               "       ktclient listen URL [--seconds S] [-o OUT.wav]\n";

int usage(std::ostream& err, const std::string& problem) {
    err << "ktclient: " << problem << "\n" << kUsage;
    return 2;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return usage(err, "missing command");
    const std::string& command = args[0];
    const std::size_t operands = args.size() - 1;

    if (command == "encrypt" || command == "decrypt" || command == "unescape" ||
        command == "open") {
        if (operands != 1) return usage(err, command + " takes exactly one argument");
    }
    if (command == "encrypt") {
        // The cipher reads its input up to the first NUL; a command-line argument has none.
        out << kt::KT_EncryptWithBase64(args[1], kt::kCipherKey) << "\n";
        return 0;
    }
    if (command == "decrypt") {
        kt::CipherStatus status = kt::CipherStatus::Success;
        auto plain = kt::KT_DecryptWithBase64(args[1], kt::kCipherKey, &status);
        if (!plain) {
            std::string reason = status == kt::CipherStatus::Success ? "the plain text is not UTF-8"
                                                                     : kt::cipherStatusName(status);
            err << "ktclient: cannot decipher: " << reason << "\n";
            return 1;
        }
        out << *plain << "\n";
        return 0;
    }
    if (command == "unescape") {
        out << kt::stringByUnescapingHTML(args[1]) << "\n";
        return 0;
    }
    if (command == "open") return runOpen(args[1], out, err);
    if (command == "request") {
        if (operands < 2) return usage(err, "request takes URL ID [NAME=VALUE]...");
        return runRequest(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    if (command == "listen") {
        if (operands < 1) return usage(err, "listen takes URL [--seconds S] [-o OUT.wav]");
        return runListen(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    return usage(err, "unknown command \"" + command + "\"");
}

} // namespace ktclient
