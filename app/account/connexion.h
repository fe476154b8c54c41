// Connexion: the member's identity and the member site's login — two form posts with the site's
// cookies, the profile read from the second reply, the registration of the member (and of the
// position, when known) with the application server, and the logout.
//
// Ownership: owned by the application delegate; keeps a plain reference to it.
// Threads: interface thread; the site requests and the member registration are synchronous.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/location/kt_cl_controller.h"

namespace zephrun {

class ZephrunAppDelegate;

class Connexion : public KT_CLControllerDelegate {
  public:
    explicit Connexion(ZephrunAppDelegate& appDelegate);
    ~Connexion() override;
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    // The site login without any message. True when the site accepted the member and showed the
    // profile; the credentials are then remembered.
    bool silentConnexion();
    // The interactive login: checks the fields, logs in, alerts on failure, and on success
    // starts locating the member (who is then registered with the application server).
    bool connexion();
    // KT_CLControllerDelegate: a position arrived (or locating failed).
    void sendInfoToKT() override;
    // Registers the member, with the position when known, with the application server.
    void sendToKT();
    // Logs out from the application server and the site (only when logged in).
    void deconnexion();

    const std::string& myLogin() const { return myLogin_; }
    const std::string& myPassword() const { return myPassword_; }
    void setMyLogin(std::string login) { myLogin_ = std::move(login); }
    void setMyPassword(std::string password) { myPassword_ = std::move(password); }
    const std::string& myFirstName() const { return myFirstName_; }
    const std::string& myLastName() const { return myLastName_; }
    const std::string& mySexe() const { return mySexe_; }
    const std::string& myDateOfBirth() const { return myDateOfBirth_; }
    const std::string& myCountry() const { return myCountry_; }
    const std::string& myPhone() const { return myPhone_; }
    bool isVisible() const { return isVisible_; }
    float myLatitude() const { return myLatitude_; }
    float myLongitude() const { return myLongitude_; }
    // The position a screen located (the tour map's geolocation), sent by the next sendToKT.
    void setIsVisible(bool visible) { isVisible_ = visible; }
    void setMyLatitude(float latitude) { myLatitude_ = latitude; }
    void setMyLongitude(float longitude) { myLongitude_ = longitude; }
    bool isConnected() const { return isConnected_; }
    void setIsConnected(bool connected) { isConnected_ = connected; }

    // Persists "" under both credential keys (or one of them).
    void forgetLogin();
    void forgetPassword();

    // The reply checks of the two site requests, exposed for tests.
    static bool firstReplyAccepts(const std::string& reply);
    // Reads the profile markers of the second reply into the fields; false without the first.
    bool readProfile(const std::string& reply);

  private:
    // One post of the login form; none without a reply.
    std::optional<std::string> postLoginForm(bool cleanCookies);
    void persistCredentials();

    ZephrunAppDelegate& appDelegate;
    std::string myLogin_;
    std::string myPassword_;
    std::string myFirstName_;
    std::string myLastName_;
    std::string mySexe_;
    std::string myDateOfBirth_;
    std::string myCountry_;
    std::string myPhone_;
    bool isVisible_ = false;
    float myLatitude_ = 0;
    float myLongitude_ = 0;
    bool isConnected_ = false;
};

} // namespace zephrun
