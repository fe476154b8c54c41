// The member site's pages the server writes as it answers: login form, profile, registration
// form and its outcome, logout. Pure functions of what they show; the handlers decide which.
#pragma once

#include <string>
#include <vector>

#include "server/html_page.h"
#include "server/member_store.h"

namespace zserver::site {

// What the registration form holds (the password is never shown back).
struct RegistrationForm {
    std::string login, firstName, lastName, gender, age, country;
};

// The login form (posting "name", "pass", "form_id" = "user_login", "form_build_id", "op"),
// with an error line when `error` is not empty.
std::string loginPage(Lang lang, const std::string& login, const std::string& error);
// The member's profile: one `<dd class="profile-profile_…">` per field, in the order first
// name, last name, gender, age, country (the application reads them in that order). The page is
// ASCII: every other character is a numeric reference ("D&#233;mo").
std::string profilePage(Lang lang, const Member& member);
std::string logoutPage(Lang lang);
std::string registerPage(Lang lang, const RegistrationForm& form,
                         const std::vector<std::string>& errors);
std::string registeredPage(Lang lang, const std::string& login);

// The reply of the first login request: a small JSON object, the status first.
std::string loginStatus(bool ok, const std::string& login = {});

} // namespace zserver::site
