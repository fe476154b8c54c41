// The shell's texts: alerts, overlays and buttons of the launch, the navigation, the account,
// the audio routing and the help pages, French and English side by side.
#pragma once

#include "app/shell/localized.h"

namespace zephrun::texts {

inline constexpr const char* kAlertTitle = "Zephrun";
inline constexpr const char* kOK = "OK";
inline constexpr Localized kNo{"Non", "No"};
inline constexpr Localized kYes{"Oui", "Yes"};

// Launch.
inline constexpr Localized kSplashLoading{"Veuillez patienter durant le chargement",
                                          "Loading, please wait"};
inline constexpr Localized kSplashLongLaunch{"Ce lancement peut prendre quelques minutes",
                                             "Launch can take few minutes, please wait"};
inline constexpr Localized kNoConnection{
    "Attention, vous n'avez pas de connexion internet ou celle-ci est insuffisante. Certains "
    "contenus nécessitent une connexion",
    "You must be connected (to internet) // Your connection is limited or inexistant"};
inline constexpr Localized kDiscographyNotUpdated{"La discographie n'a pas pu être mise à jour",
                                                  "Content cannot be updated"};
inline constexpr Localized kDiscographyLoadError{
    "Une erreur s'est produite lors du chargement de la 'Discographie'",
    "An error has occurred! Unable to update. Please try again."};

// Fetch on first opening: overlay texts and failure alerts.
inline constexpr Localized kUpdatingDiscography{"Mise à jour de la discographie",
                                                "Updating \"Discography\""};
inline constexpr Localized kUpdatingNews{"Mise à jour des news", "Updating \"News\""};
inline constexpr Localized kUpdatingConcerts{"Mise à jour des concerts", "Updating \"Concerts\""};
inline constexpr Localized kUpdatingVideos{"Mise à jour des vidéos", "Updating \"Videos\""};
inline constexpr const char* kUnableToUpdate =
    "An error has occurred! Unable to update. Please try again";
inline constexpr Localized kNewsError{"Une erreur est survenue dans la mise à jour des News",
                                      kUnableToUpdate};
inline constexpr Localized kConcertsError{
    "Une erreur est survenue dans la mise à jour des Concerts", kUnableToUpdate};
inline constexpr Localized kVideosError{
    "Une erreur est survenue lors de la mise à jour des Vidéos", kUnableToUpdate};
inline constexpr Localized kCommunityConcertsError{
    "Une erreur est survenue lors de la mise à jour des dates de Concerts", kUnableToUpdate};

// Member account.
inline constexpr Localized kConnecting{"Connexion en cours", "Connection in progress"};
inline constexpr Localized kDisconnecting{"Déconnexion en cours", "Disconnection in progress"};
inline constexpr Localized kInvalidLogin{"Login ou Mot de passe invalide",
                                         "Invalid login or password"};
inline constexpr Localized kLoginServerDown{
    "Le serveur d'identification est injoignable. Merci de réessayer plus tard.",
    "Identification server is down. Please try again later."};
inline constexpr Localized kMembersOnly{"Accès réservé aux membres", "Access for members only"};
inline constexpr Localized kRegisterUnavailable{
    "La page d'enregistrement n'est pas disponible, réessayez plus tard",
    "The register form is not available, please try later"};
inline constexpr Localized kConfirmLogout{"Êtes-vous sûr de vouloir vous déconnecter ?",
                                          "Do you really want to be disconnected ?"};
inline constexpr Localized kCancel{"Annuler", "Cancel"};
inline constexpr Localized kLoginPlaceholder{"Identifiant", "Login"};
inline constexpr Localized kPasswordPlaceholder{"Mot de passe", "Password"};
inline constexpr Localized kSubscribe{"Inscription", "Subscribe"};
inline constexpr Localized kValidate{"Valider", "Valid"};

// Mix package download.
inline constexpr Localized kDownloadingMix{"Téléchargement du Mix", "Download Mix"};
inline constexpr Localized kMixDownloadFailed{
    "Une erreur est survenue lors du téléchangement du fichier de Mix",
    "An error has occurred! Unable to download Mix file. Please try again"};

// Help badge, help page and information page.
inline constexpr Localized kHelp{"Aide", "Help"};
inline constexpr Localized kHelpTitle{"Déplacez les icônes pour remixer le son !",
                                      "Move the icons around to remix the music !"};
inline constexpr Localized kHelpCaptions[3][3] = {
    {{"Déplacer Haut-Bas\n-Volume-", "Move Up-Down\n-Volume-"},
     {"Déplacer Gauche-Droite\n-Volume-", "Move Left-Right\n-Volume-"},
     {"Secouer\n-Aléatoire-", "Shake\n-Shuffle-"}},
    {{"Pan\n-Volume (Tous)-", "Pan\n-Volume (All)-"},
     {"Multi-Touch\n-Play-", "Multi-Touch\n-Play-"},
     {"Home Mix\n-All-", "Home Mix\n-All-"}},
    {{"Simple-Clic\n-Entrer-", "Simple-Click\n-Enter-"},
     {"Double-Clic\n-Entrer-", "Double-Click\n-Enter-"},
     {nullptr, nullptr}},
};
inline constexpr Localized kLoadingMentions{"Récupération de la page de mentions légales",
                                            "Loading..."};
inline constexpr Localized kMentionsError{
    "Une erreur s'est produite durant le chargement des mentions légales",
    "An error has occurred! Unable to send this request. Please try again"};

// Video page.
inline constexpr Localized kClose{"Fermer", "Close"};

} // namespace zephrun::texts
