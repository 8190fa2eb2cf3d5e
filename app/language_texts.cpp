#include "language_texts.h"

#include "language.h"
#include "web_config.h"

// Texts are UTF-8, so they show the same under any ANSI code page; non-ASCII characters are written
// as universal character names, which every compiler stores as UTF-8 here (MSVC with /utf-8).

// The balloon's link to the maker's home page, the same in every language.
#define ORVEL_HOMEPAGE_LINK "<a href=\"" ORVEL_HOMEPAGE "\">Kestrawatch</a>"

namespace orvel {
namespace {

// Texts that the table stores once for several languages.
constexpr const char* TitleEnglish = "Orvel for Windows Networks";
constexpr const char* ErrorHeadingEnglish = "WMI error";
constexpr const char* ErrorCaptionEnglish = "WMI error";
constexpr const char* ErrorHintEnglish = "Hint: Search online for \"WMI %s\" or \"Kestrawatch\" to fix this error.";
constexpr const char* Starting = "Start...";
constexpr const char* ConnectingToEnglish = "Connecting to ";
constexpr const char* ChooseComputerEnglish = "Choose a computer";
constexpr const char* SelectProcessEnglish = "Please select a process.";
constexpr const char* NoCaption = "";
constexpr const char* FailureLine = "%s: %s";

constexpr const char* HintBodyEnglish =
    "Get a detailed description and a security rating of this process\r\n"
    "with our program " ORVEL_HOMEPAGE_LINK ".\r\n"
    "Just try the <A>free version</A>!";

constexpr const char* HintBodyGerman =
    "Eine genaue Beschreibung und eine Sicherheitsbewertung dieses Prozesses\r\n"
    "zeigt Ihnen unser Programm " ORVEL_HOMEPAGE_LINK ".\r\n"
    "Probieren Sie einfach die <A>kostenlose Version</A>!";

constexpr const char* HintBodySpanish =
    "Una descripci\u00F3n detallada y una evaluaci\u00F3n de\r\n"
    "riesgo de seguridad \u00FAnica de este proceso son mostradas por nuestro software\r\n"
    ORVEL_HOMEPAGE_LINK ".\r\n"
    "\u00A1Simplemente pruebe gratis <A>la versi\u00F3n de prueba</A>!";

}  // namespace

#undef ORVEL_HOMEPAGE_LINK

// Columns: English, German, Spanish. The English captions are the form definition's own.
constexpr TextRow LanguageTexts[TextIdCount] = {
    {txtTitle, {TitleEnglish, "Orvel f\u00FCr Windows Netzwerke", TitleEnglish}},
    {txtHintTitle, {"More details ...", "Mehr Details ...", "M\u00E1s detalles ..."}},
    {txtHintBody, {HintBodyEnglish, HintBodyGerman, HintBodySpanish}},
    {txtUserCaption, {NoCaption, "&Benutzer", "&Usuario"}},
    {txtPasswordCaption, {NoCaption, "&Passwort", "&Contrase\u00F1a"}},
    {txtColProcess, {NoCaption, "Prozess", "Proceso"}},
    {txtColFolder, {NoCaption, "Ordner", "Carpeta"}},
    {txtColProcessId, {NoCaption, "Prozess ID", "ID del proceso"}},
    {txtColParentPid, {NoCaption, "Parent PID", "PID principal"}},
    {txtColRam, {NoCaption, "RAM", "Memoria"}},
    {txtColCpuTime, {NoCaption, "CPU Zeit", "Tiempo del CPU"}},
    {txtColPriority, {NoCaption, "Priorit\u00E4t", NoCaption}},
    {txtColComputer, {NoCaption, "Computer", "Equipo"}},
    {txtScanNow, {NoCaption, "&Jetzt Scannen", "\u00A1Escanear ahora!"}},
    {txtProcessCount, {"%d processes", "%d Prozesse", "%d procesos"}},
    {txtErrorHeading, {ErrorHeadingEnglish, "Es ist ein Fehler aufgetreten:", ErrorHeadingEnglish}},
    {txtErrorCaption, {ErrorCaptionEnglish, "WMI Fehler", ErrorCaptionEnglish}},
    {txtErrorHint,
     {ErrorHintEnglish, "Hinweis: Suche im Internet nach \"WMI %s\" oder \"Kestrawatch\" um diesen Fehler zu beheben.",
      ErrorHintEnglish}},
    {txtStarting, {Starting, Starting, Starting}},
    {txtConnectingTo, {ConnectingToEnglish, "Verbinde mit ", ConnectingToEnglish}},
    {txtChooseComputer, {ChooseComputerEnglish, "Computer ausw\u00E4hlen", ChooseComputerEnglish}},
    {txtSelectProcess, {SelectProcessEnglish, "Bitte markieren Sie zuerst einen Prozess.", SelectProcessEnglish}},
    // The list's context menu: "&" marks the item's letter, a tab puts the shortcut at the right.
    {txtMenuCopy, {"&Copy\tCtrl+C", "&Kopieren\tStrg+C", "&Copiar\tCtrl+C"}},
    {txtMenuCopyAll, {"Copy &all", "&Alle kopieren", "Copiar t&odo"}},
    {txtMenuLookUp, {"&Look up on the web", "Im &Web nachschlagen", "&Buscar en la web"}},
    {txtMenuEndProcess, {"&End process...", "Prozess &beenden...", "&Terminar proceso..."}},
    // Ending a process; the placeholders are filled in the order written.
    {txtEndQuestion,  // name, process ID, computer
     {"End %s (process ID %s) on %s? Unsaved data in it will be lost.",
      "%s (Prozess-ID %s) auf %s beenden? Nicht gespeicherte Daten gehen dabei verloren.",
      "\u00BFTerminar %s (ID de proceso %s) en %s? Se perder\u00E1n los datos no guardados."}},
    {txtEndScanFirst,  // computer
     {"The list shows the processes of %s. Please scan again before ending a process.",
      "Die Liste zeigt die Prozesse von %s. Bitte scannen Sie erneut, bevor Sie einen Prozess beenden.",
      "La lista muestra los procesos de %s. Vuelva a escanear antes de terminar un proceso."}},
    {txtEndGone,  // process ID, computer, name
     {"Process ID %s on %s no longer belongs to %s. Nothing was ended; scan again to see what is running now.",
      "Die Prozess-ID %s auf %s geh\u00F6rt nicht mehr zu %s. Es wurde nichts beendet; scannen Sie erneut, um zu "
      "sehen, was jetzt l\u00E4uft.",
      "El ID de proceso %s en %s ya no pertenece a %s. No se ha terminado nada; vuelva a escanear para ver lo que "
      "se est\u00E1 ejecutando ahora."}},
    {txtEndFailed,  // name, process ID, reason
     {"%s (process ID %s) could not be ended: %s", "%s (Prozess-ID %s) konnte nicht beendet werden: %s",
      "No se pudo terminar %s (ID de proceso %s): %s"}},
    {txtEndAccessDenied, {"access denied.", "Zugriff verweigert.", "acceso denegado."}},
    {txtEndNoPrivilege, {"insufficient privilege.", "unzureichende Berechtigung.", "privilegios insuficientes."}},
    {txtEndUnknownFailure, {"unknown failure.", "unbekannter Fehler.", "error desconocido."}},
    {txtEndPathNotFound, {"path not found.", "Pfad nicht gefunden.", "ruta no encontrada."}},
    {txtEndInvalidParameter, {"invalid parameter.", "ung\u00FCltiger Parameter.", "par\u00E1metro no v\u00E1lido."}},
    {txtEndReturnValue, {"return value %s.", "R\u00FCckgabewert %s.", "valor devuelto %s."}},  // the number
    // Read out by assistive technology for controls that show no caption of their own.
    {txtProcessListName, {"Processes", "Prozesse", "Procesos"}},
    {txtBrowseName, {"Browse for computer", "Computer suchen", "Buscar equipo"}},
    // A scan of many computers; the placeholders are filled in the order written.
    {txtManyScanning,  // computers, done, failed, processes
     {"Scanning %d computers: %d done, %d failed, %d processes",
      "Scanne %d Computer: %d fertig, %d fehlgeschlagen, %d Prozesse",
      "Escaneando %d equipos: %d listos, %d con error, %d procesos"}},
    {txtManyFinished,  // processes, computers answered, failed
     {"%d processes on %d computers, %d failed", "%d Prozesse auf %d Computern, %d fehlgeschlagen",
      "%d procesos en %d equipos, %d con error"}},
    {txtManyFinishedAll,  // processes, computers
     {"%d processes on %d computers", "%d Prozesse auf %d Computern", "%d procesos en %d equipos"}},
    {txtManyStopped,  // processes, computers answered, computers listed, failed
     {"Stopped: %d processes on %d of %d computers, %d failed",
      "Abgebrochen: %d Prozesse auf %d von %d Computern, %d fehlgeschlagen",
      "Detenido: %d procesos en %d de %d equipos, %d con error"}},
    {txtManyFailuresHeading,  // failed, computers listed
     {"%d of %d computers could not be scanned:", "%d von %d Computern konnten nicht gescannt werden:",
      "No se pudieron escanear %d de %d equipos:"}},
    {txtManyFailureLine, {FailureLine, FailureLine, FailureLine}},  // computer, message
    {txtManyMoreFailures, {"and %d more", "und %d weitere", "y %d m\u00E1s"}},  // the rest
    {txtManyTooMany,  // the most
     {"The computer field names more than %s computers. Please scan at most %s at once.",
      "Das Feld Computer nennt mehr als %s Computer. Bitte scannen Sie h\u00F6chstens %s auf einmal.",
      "El campo de equipo nombra m\u00E1s de %s equipos. Escanee como m\u00E1ximo %s a la vez."}},
    {txtManyNoFileName,
     {"Please write the path of a text file of computer names after \"@\".",
      "Bitte schreiben Sie nach \"@\" den Pfad einer Textdatei mit Computernamen.",
      "Escriba despu\u00E9s de \"@\" la ruta de un archivo de texto con nombres de equipos."}},
    {txtManyFileUnreadable,  // the path
     {"The file %s could not be read.", "Die Datei %s konnte nicht gelesen werden.",
      "No se pudo leer el archivo %s."}},
    {txtManyFileEmpty,  // the path
     {"The file %s names no computer.", "Die Datei %s nennt keinen Computer.",
      "El archivo %s no nombra ning\u00FAn equipo."}},
};

// A language left out would leave a null cell, a row left out a null row at the end: the build refuses them.
constexpr bool EveryTextPresent() {
  for (const TextRow& row : LanguageTexts)
    for (const char* text : row.texts)
      if (!text) return false;
  return true;
}
static_assert(EveryTextPresent(), "every text needs an entry in every language");

// A row is found by its position: one out of place would show its texts under another identifier.
constexpr bool EveryRowInPlace() {
  for (int id = 0; id < TextIdCount; ++id)
    if (LanguageTexts[id].id != id) return false;
  return true;
}
static_assert(EveryRowInPlace(), "the rows must follow the order of TextId");

const char* LookupText(TextId id, std::int32_t language) { return LanguageTexts[id][TextLanguage(language)]; }

}  // namespace orvel
