#include "guard/protected_key_rules.h"

#include <algorithm>
#include <iterator>

namespace qv::protection {

namespace {

// The shell's own classes, which every program extends with its verbs and handlers: the files of
// every type, the folders, the drives, the desktop, the network, the libraries.
constexpr std::string_view kShellClasses[] = {
    "*",
    "ALLFILESYSTEMOBJECTS",
    "DIRECTORY",
    "DIRECTORY\\BACKGROUND",
    "FOLDER",
    "DRIVE",
    "DESKTOPBACKGROUND",
    "UNKNOWN",
    "NETWORK",
    "NETSHARE",
    "NETSERVER",
    "PRINTERS",
    "LIBRARYFOLDER",
    "LIBRARYFOLDER\\BACKGROUND",
    "LIBRARYLOCATION",
    "USERLIBRARYFOLDER",
    "AUDIOCD",
    "DVD",
};

// The file types that Windows registers and opens itself: programs, scripts, shortcuts, system
// files, texts and pages, archives, certificates, fonts, pictures, sounds and videos, updates, disk
// images, app packages and remote connections.
constexpr std::string_view kWindowsTypes[] = {
    ".EXE",   ".COM",        ".BAT",        ".CMD",        ".LNK",       ".URL",    ".PIF",   ".SCR",  ".DLL",  ".OCX",
    ".CPL",   ".SYS",        ".DRV",        ".MSI",        ".MSP",       ".MSC",    ".REG",   ".INF",  ".INI",  ".TXT",
    ".LOG",   ".HTM",        ".HTML",       ".MHT",        ".MHTML",     ".XML",    ".XHTML", ".CSS",  ".JS",   ".JSE",
    ".VBS",   ".VBE",        ".WSF",        ".WSH",        ".HTA",       ".PS1",    ".ZIP",   ".CAB",  ".CAT",  ".CER",
    ".CRT",   ".DER",        ".P7B",        ".PFX",        ".CHM",       ".HLP",    ".RTF",   ".TTF",  ".OTF",  ".FON",
    ".THEME", ".LIBRARY-MS", ".SEARCH-MS",  ".BMP",        ".DIB",       ".GIF",    ".JPG",   ".JPEG", ".JPE",  ".JFIF",
    ".PNG",   ".TIF",        ".TIFF",       ".ICO",        ".CUR",       ".ANI",    ".WMF",   ".EMF",  ".WEBP", ".HEIC",
    ".HEIF",  ".WAV",        ".MP3",        ".WMA",        ".MID",       ".MIDI",   ".RMI",   ".AAC",  ".M4A",  ".FLAC",
    ".AIF",   ".AIFF",       ".AU",         ".SND",        ".AVI",       ".MP4",    ".M4V",   ".WMV",  ".ASF",  ".MPG",
    ".MPEG",  ".MOV",        ".MKV",        ".3GP",        ".MSU",       ".ISO",    ".IMG",   ".VHD",  ".VHDX", ".RDP",
    ".APPX",  ".MSIX",       ".APPXBUNDLE", ".MSIXBUNDLE", ".APPREF-MS", ".PS1XML", ".PSM1",  ".PSD1",
};

// The classes (ProgIDs) behind those types, and the protocols, that Windows owns.
constexpr std::string_view kWindowsClasses[] = {
    "EXEFILE",
    "COMFILE",
    "BATFILE",
    "CMDFILE",
    "LNKFILE",
    "PIFFILE",
    "SCRFILE",
    "DLLFILE",
    "OCXFILE",
    "CPLFILE",
    "SYSFILE",
    "DRVFILE",
    "MSI.PACKAGE",
    "MSI.PATCH",
    "MSCFILE",
    "REGFILE",
    "INFFILE",
    "INIFILE",
    "TXTFILE",
    "HTMLFILE",
    "HTAFILE",
    "MHTMLFILE",
    "XMLFILE",
    "XHTMLFILE",
    "CSSFILE",
    "JSFILE",
    "JSEFILE",
    "VBSFILE",
    "VBEFILE",
    "WSFFILE",
    "WSHFILE",
    "MICROSOFT.POWERSHELLSCRIPT.1",
    "MICROSOFT.POWERSHELLMODULE.1",
    "MICROSOFT.POWERSHELLDATA.1",
    "MICROSOFT.POWERSHELLXMLDATA.1",
    "MICROSOFT.SYSTEM.UPDATE.1",
    "WINDOWS.ISOFILE",
    "WINDOWS.VHDFILE",
    "RDP.FILE",
    "APPLICATION.REFERENCE",
    "SEARCHFOLDER",
    "INTERNETSHORTCUT",
    "COMPRESSEDFOLDER",
    "CABFOLDER",
    "CATFILE",
    "CERFILE",
    "PFXFILE",
    "CHM.FILE",
    "HLPFILE",
    "TTFFILE",
    "OTFFILE",
    "FONFILE",
    "THEMEFILE",
    "GIFFILE",
    "JPEGFILE",
    "PNGFILE",
    "PAINT.PICTURE",
    "TIFIMAGE.DOCUMENT",
    "ICOFILE",
    "CURFILE",
    "ANIFILE",
    "EMFFILE",
    "WMFFILE",
    "SOUNDREC",
    "MIDFILE",
    "AVIFILE",
    "MPEGFILE",
    "WMAFILE",
    "WMVFILE",
    "ASFFILE",
    "HTTP",
    "HTTPS",
    "FTP",
    "MAILTO",
    "FILE",
    "NEWS",
    "NNTP",
    "SNEWS",
    "LDAP",
    "TELNET",
    "TEL",
    "CALLTO",
    "ABOUT",
    "RES",
    "JAVASCRIPT",
    "VBSCRIPT",
    "MK",
    "ITS",
    "MS-ITS",
    "MS-SETTINGS",
    "SEARCH-MS",
    "MS-WINDOWS-STORE",
    "MICROSOFT-EDGE",
    "WINDOWSDEFENDER",
};

// The kinds of file that Windows groups below SystemFileAssociations.
constexpr std::string_view kPerceivedTypes[] = {
    "IMAGE", "AUDIO", "VIDEO", "TEXT", "DOCUMENT", "COMPRESSED", "SYSTEM", "APPLICATION", "CONTACT",
};

// The verbs that Windows itself puts on its shared classes.
constexpr std::string_view kWindowsVerbs[] = {
    "OPEN",      "OPENNEW", "OPENNEWWINDOW", "OPENNEWPROCESS", "OPENNEWTAB", "EXPLORE", "FIND",
    "PRINT",     "PRINTTO", "EDIT",          "RUNAS",          "RUNASUSER",  "CMD",     "POWERSHELL",
    "PINTOHOME", "OPENAS",  "PROPERTIES",    "PLAY",           "ENQUEUE",    "PREVIEW", "SETDESKTOPWALLPAPER",
};

// Services that Windows cannot start, sign in, reach the network, log or update without.
constexpr std::string_view kWindowsServices[] = {
    "EVENTLOG",
    "TCPIP",
    "TCPIP6",
    "DHCP",
    "DNSCACHE",
    "LANMANSERVER",
    "LANMANWORKSTATION",
    "RPCSS",
    "RPCEPTMAPPER",
    "DCOMLAUNCH",
    "EVENTSYSTEM",
    "WINMGMT",
    "W32TIME",
    "WUAUSERV",
    "BITS",
    "CRYPTSVC",
    "PLUGPLAY",
    "POWER",
    "PROFSVC",
    "SCHEDULE",
    "SENS",
    "SHELLHWDETECTION",
    "THEMES",
    "AUDIOSRV",
    "AUDIOENDPOINTBUILDER",
    "SPOOLER",
    "WINDEFEND",
    "MPSSVC",
    "BFE",
    "NETLOGON",
    "NLASVC",
    "NSI",
    "AFD",
    "NETBT",
    "NDIS",
    "DISK",
    "VOLMGR",
    "PARTMGR",
    "NTFS",
    "FASTFAT",
    "ACPI",
    "PCI",
    "I8042PRT",
    "KBDCLASS",
    "MOUCLASS",
    "USBSTOR",
    "USBHUB",
    "USBXHCI",
    "TERMSERVICE",
    "WINRM",
    "MSISERVER",
    "TRUSTEDINSTALLER",
    "SHAREDACCESS",
    "SAMSS",
    "GPSVC",
    "LSM",
    // Windows' own keys below Services that register no program of their own.
    "WINSOCK",
    "WINSOCK2",
    "KBDHID",
    "APPINFO",
};

// The event logs of Windows itself, below the event log service.
constexpr std::string_view kWindowsLogs[] = {
    "APPLICATION",        "SYSTEM",         "SECURITY",          "SETUP",
    "FORWARDEDEVENTS",    "HARDWAREEVENTS", "INTERNET EXPLORER", "KEY MANAGEMENT SERVICE",
    "WINDOWS POWERSHELL", "MEDIA CENTER",
};

// The sounds' labels of Windows itself, below AppEvents\EventLabels.
constexpr std::string_view kWindowsLabels[] = {
    ".DEFAULT",
    "APPGPFAULT",
    "CLOSE",
    "CRITICALBATTERYALARM",
    "DEVICECONNECT",
    "DEVICEDISCONNECT",
    "DEVICEFAIL",
    "EMPTYRECYCLEBIN",
    "LOWBATTERYALARM",
    "MAILBEEP",
    "MAXIMIZE",
    "MENUCOMMAND",
    "MENUPOPUP",
    "MINIMIZE",
    "NAVIGATING",
    "NOTIFICATION.DEFAULT",
    "OPEN",
    "RESTOREDOWN",
    "RESTOREUP",
    "SYSTEMASTERISK",
    "SYSTEMEXCLAMATION",
    "SYSTEMEXIT",
    "SYSTEMHAND",
    "SYSTEMNOTIFICATION",
    "SYSTEMQUESTION",
    "SYSTEMSTART",
    "WINDOWSLOGOFF",
    "WINDOWSLOGON",
    "WINDOWSUAC",
};

template <std::size_t N>
bool IsIn(const std::string_view (&set)[N], std::string_view name) {
  return std::find(std::begin(set), std::end(set), name) != std::end(set);
}

// A member of names' length (1 or 2) in a set whose members may hold one "\".
template <std::size_t N>
std::size_t MemberLength(const std::string_view (&set)[N], const std::vector<std::string>& names, std::size_t at) {
  if (at + 1 < names.size() && IsIn(set, names[at] + '\\' + names[at + 1])) return 2;
  return IsIn(set, names[at]) ? 1 : 0;
}

bool IsControlSet(std::string_view name) {
  constexpr std::string_view kNumbered = "CONTROLSET";
  if (name == "CURRENTCONTROLSET") return true;
  if (name.size() != kNumbered.size() + 3 || name.substr(0, kNumbered.size()) != kNumbered) return false;
  return std::all_of(name.begin() + kNumbered.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::size_t SharedClassLength(const std::vector<std::string>& names, std::size_t at) {
  if (names[at] == "SYSTEMFILEASSOCIATIONS" && at + 1 < names.size() &&
      (IsIn(kPerceivedTypes, names[at + 1]) || IsIn(kWindowsTypes, names[at + 1])))
    return 2;
  if (const std::size_t length = MemberLength(kShellClasses, names, at)) return length;
  return IsIn(kWindowsTypes, names[at]) || IsIn(kWindowsClasses, names[at]) ? 1 : 0;
}

// The rules, family by family. The most specific rule that covers a key decides (the guard in
// protected_keys.cpp says which that is); a key that no rule covers is a product's own.

// The class registration containers: every program registers its classes, interfaces, type
// libraries, applications, MIME types, app identities, licenses and media handlers in them, and
// the classes' 32-bit mirror holds every 32-bit program's. A product's own {GUID}, name or
// extension below a container is its own. The packaged apps' registrations are Windows' own; the
// user's Local Settings and virtual store are too, except a maker's folder below them.
constexpr Rule kClassContainers[] = {
    {kClasses, "CLSID", Reach::kKey},
    {kClasses, "INTERFACE", Reach::kKey},
    {kClasses, "TYPELIB", Reach::kKey},
    {kClasses, "APPID", Reach::kKey},
    {kClasses, "RECORD", Reach::kKey},
    {kClasses, "COMPONENT CATEGORIES", Reach::kKey},
    {kClasses, "MIME", Reach::kKey},
    {kClasses, "MIME\\DATABASE", Reach::kKey},
    {kClasses, "MIME\\DATABASE\\CONTENT TYPE", Reach::kKey},
    {kClasses, "MIME\\DATABASE\\CODEPAGE", Reach::kTree},
    {kClasses, "MIME\\DATABASE\\CHARSET", Reach::kTree},
    {kClasses, "MIME\\DATABASE\\RFC1766", Reach::kTree},
    {kClasses, "APPLICATIONS", Reach::kKey},
    {kClasses, "SYSTEMFILEASSOCIATIONS", Reach::kKey},
    {kClasses, "PROTOCOLS", Reach::kKey},
    {kClasses, "PROTOCOLS\\<any>", Reach::kKey},
    {kClasses, "INSTALLER", Reach::kKey},
    {kClasses, "INSTALLER\\<any>", Reach::kKey},
    {kClasses, "LOCAL SETTINGS", Reach::kTree},
    {kClasses, "LOCAL SETTINGS\\SOFTWARE\\<any>", Reach::kProductTree},
    {kClasses, "LOCAL SETTINGS\\SOFTWARE\\MICROSOFT", Reach::kTree},
    {kClasses, "LOCAL SETTINGS\\SOFTWARE\\WOW6432NODE", Reach::kTree},
    {kClasses, "LOCAL SETTINGS\\SOFTWARE\\WOW6432NODE\\<any>", Reach::kProductTree},
    {kClasses, "LOCAL SETTINGS\\SOFTWARE\\WOW6432NODE\\MICROSOFT", Reach::kTree},
    {kClasses, "VIRTUALSTORE", Reach::kTree},
    {kClasses, "VIRTUALSTORE\\MACHINE\\SOFTWARE\\<any>", Reach::kProductTree},
    {kClasses, "VIRTUALSTORE\\MACHINE\\SOFTWARE\\MICROSOFT", Reach::kTree},
    {kClasses, "VIRTUALSTORE\\MACHINE\\SOFTWARE\\CLASSES", Reach::kTree},
    {kClasses, "VIRTUALSTORE\\MACHINE\\SOFTWARE\\WOW6432NODE", Reach::kTree},
    {kClasses, "VIRTUALSTORE\\MACHINE\\SOFTWARE\\WOW6432NODE\\<any>", Reach::kProductTree},
    {kClasses, "VIRTUALSTORE\\MACHINE\\SOFTWARE\\WOW6432NODE\\MICROSOFT", Reach::kTree},
    {kClasses, "APPUSERMODELID", Reach::kKey},
    {kClasses, "LICENSES", Reach::kKey},
    {kClasses, "FILETYPE", Reach::kKey},
    {kClasses, "MEDIA TYPE", Reach::kKey},
    {kClasses, "MEDIA TYPE\\<any>", Reach::kKey},
    {kClasses, "MEDIA TYPE\\EXTENSIONS\\<type>", Reach::kTree},
    {kClasses, "MEDIAFOUNDATION", Reach::kKey},
    {kClasses, "MEDIAFOUNDATION\\<any>", Reach::kKey},
    {kClasses, "MEDIAFOUNDATION\\TRANSFORMS\\CATEGORIES", Reach::kKey},
    {kClasses, "MEDIAFOUNDATION\\TRANSFORMS\\CATEGORIES\\<any>", Reach::kKey},
    {kClasses, "DIRECTSHOW", Reach::kKey},
    {kClasses, "DIRECTSHOW\\<any>", Reach::kKey},
    {kClasses, "DIRECTSHOW\\MEDIAOBJECTS\\CATEGORIES", Reach::kKey},
    {kClasses, "DIRECTSHOW\\MEDIAOBJECTS\\CATEGORIES\\<any>", Reach::kKey},
    {kClasses, "EXTENSIONS", Reach::kTree},
    {kClasses, "ACTIVATABLECLASSES", Reach::kTree},
    {kClasses, "PACKAGEDCOM", Reach::kTree},
    {kClasses, "WOW6432NODE", Reach::kKey},
    {kClasses, "CLSID\\<any>", Reach::kProductTree},
    {kClasses, "INTERFACE\\<any>", Reach::kProductTree},
    {kClasses, "TYPELIB\\<any>", Reach::kProductTree},
};

// The shell's shared classes and the types, classes and protocols that Windows owns: many
// programs hang their verbs and handlers on them. Everything they hold is Windows', except a
// product's own verb below shell, a product's own handler below a handler list of shellex and a
// product's own program below OpenWithList.
constexpr Rule kSharedClasses[] = {
    {kClasses, "<shared>", Reach::kTree},
    {kClasses, "<shared>\\SHELL\\<any>", Reach::kProductTree},
    {kClasses, "<shared>\\SHELL\\<verb>", Reach::kTree},
    {kClasses, "<shared>\\SHELLEX\\<any>\\<any>", Reach::kProductTree},
    {kClasses, "<shared>\\OPENWITHLIST\\<any>", Reach::kProductTree},
    {kClasses, "<shared>\\OPENWITHLIST\\NOTEPAD.EXE", Reach::kTree},
    {kClasses, "<shared>\\OPENWITHLIST\\WORDPAD.EXE", Reach::kTree},
    {kClasses, "<shared>\\OPENWITHLIST\\MSPAINT.EXE", Reach::kTree},
};

// Software itself and its 32-bit mirror hold every program's keys, and two folders below it
// every one of our products' keys.
constexpr Rule kProductFolders[] = {
    {kSoftware, "SOFTWARE", Reach::kKey},
    {kSoftware, "SOFTWARE\\WOW6432NODE", Reach::kKey},
    {kSoftware, "SOFTWARE\\QUORVEL", Reach::kKey},
    {kSoftware, "SOFTWARE\\VASK", Reach::kKey},
};

// Everything below Software\Microsoft is Windows' or one of Microsoft's own products'. Below the
// lists where programs register themselves (installed programs, program paths, Explorer's
// extensions, Office add-ins, ...) each entry is the product's own.
constexpr Rule kMicrosoft[] = {
    {kSoftware, "SOFTWARE\\MICROSOFT", Reach::kTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\BROWSER HELPER OBJECTS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLICONOVERLAYIDENTIFIERS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\<any>\\NAMESPACE\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\VOLUMECACHES\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLSERVICEOBJECTS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\AUTOPLAYHANDLERS\\HANDLERS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\COMMANDSTORE\\SHELL\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SYNCROOTMANAGER\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\FILEEXTS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\FILEEXTS\\<type>", Reach::kTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\PROPERTYSYSTEM\\PROPERTYHANDLERS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\PROPERTYSYSTEM\\PROPERTYHANDLERS\\<type>", Reach::kTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\AUTHENTICATION\\CREDENTIAL PROVIDERS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\AUTHENTICATION\\CREDENTIAL PROVIDER FILTERS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\WINEVT\\PUBLISHERS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\FOLDERDESCRIPTIONS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\.NETFRAMEWORK\\<any>\\ASSEMBLYFOLDERSEX\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\MMC\\NODETYPES\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\IMAGE FILE EXECUTION OPTIONS\\<any>",
     Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON\\NOTIFY\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PRINT\\MONITORS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\WINDOWS ERROR REPORTING\\LOCALDUMPS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\ACTIVE SETUP\\INSTALLED COMPONENTS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\EXTENSIONS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\SEARCHSCOPES\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\MENUEXT\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\OFFICE\\<any>\\ADDINS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\MMC\\SNAPINS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\.NETFRAMEWORK\\ASSEMBLYFOLDERS\\<any>", Reach::kProductTree},
    {kSoftware, "SOFTWARE\\MICROSOFT\\TRACING\\<any>", Reach::kProductTree},
};

// Policies are set by administrators: each vendor's key holds them all, and Microsoft's hold
// Windows' own.
constexpr Rule kPolicies[] = {
    {kSoftware, "SOFTWARE\\POLICIES", Reach::kKey},
    {kSoftware, "SOFTWARE\\POLICIES\\<any>", Reach::kKey},
    {kSoftware, "SOFTWARE\\POLICIES\\MICROSOFT", Reach::kTree},
};

// Other lists where every program registers itself, and keys of Windows beside Microsoft.
constexpr Rule kSharedLists[] = {
    {kSoftware, "SOFTWARE\\CLIENTS", Reach::kKey},
    {kSoftware, "SOFTWARE\\CLIENTS\\<any>", Reach::kKey},
    {kSoftware, "SOFTWARE\\REGISTEREDAPPLICATIONS", Reach::kKey},
    {kSoftware, "SOFTWARE\\ODBC", Reach::kKey},
    {kSoftware, "SOFTWARE\\ODBC\\<any>", Reach::kKey},
    {kSoftware, "SOFTWARE\\ODBC\\<any>\\ODBC DATA SOURCES", Reach::kKey},
    {kSoftware, "SOFTWARE\\ODBC\\<any>\\ODBC DRIVERS", Reach::kKey},
    {kSoftware, "SOFTWARE\\APPDATALOW", Reach::kKey},
    {kSoftware, "SOFTWARE\\APPDATALOW\\SOFTWARE", Reach::kKey},
    {kSoftware, "SOFTWARE\\APPDATALOW\\SOFTWARE\\MICROSOFT", Reach::kTree},
    {kSoftware, "SOFTWARE\\DESCRIPTION", Reach::kTree},
};

// The machine's system: its control sets, hardware, devices and security, and the current
// hardware profile's, and the hives of drivers and components. Below Services each service is its
// own program's, except those of Windows; an event log that is not Windows' and an event log's
// sources are the products that write to them; a print monitor or processor is its product's,
// except Windows' own.
constexpr Rule kSystem[] = {
    {kMachine | kConfig, "SYSTEM", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\SERVICES\\<any>", Reach::kProductTree},
    {kMachine, "SYSTEM\\<controlset>\\SERVICES\\<service>", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\SERVICES\\EVENTLOG\\<any>\\<any>", Reach::kProductTree},
    {kMachine, "SYSTEM\\<controlset>\\SERVICES\\EVENTLOG\\<any>", Reach::kProductTree},
    {kMachine, "SYSTEM\\<controlset>\\SERVICES\\EVENTLOG\\<log>", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\<any>", Reach::kProductTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\LOCAL PORT", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\STANDARD TCP/IP PORT", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\USB MONITOR", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\WSD PORT", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\ENVIRONMENTS\\<any>\\PRINT PROCESSORS\\<any>",
     Reach::kProductTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\ENVIRONMENTS\\<any>\\PRINT PROCESSORS\\WINPRINT", Reach::kTree},
    {kMachine, "SAM", Reach::kTree},
    {kMachine, "SECURITY", Reach::kTree},
    {kMachine, "HARDWARE", Reach::kTree},
    {kMachine, "BCD00000000", Reach::kTree},
    {kMachine, "DRIVERS", Reach::kTree},
    {kMachine, "ELAM", Reach::kTree},
    {kMachine, "COMPONENTS", Reach::kTree},
    {kMachine, "OSDATA", Reach::kTree},
    {kConfig, "SOFTWARE\\FONTS", Reach::kTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\<any>", Reach::kProductTree},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\PRINT\\ENVIRONMENTS\\<any>\\PRINT PROCESSORS\\<any>",
     Reach::kProductTree},
};

// The user's own settings, kept by Windows: desktop and input, environment, consoles, mapped
// drives, printers, system settings, sounds. A product's own sound scheme below
// AppEvents\Schemes\Apps, its own sound label and its own console window's settings are its own.
constexpr Rule kUserSettings[] = {
    {kUser, "SYSTEM", Reach::kTree},
    {kUser, "CONTROL PANEL", Reach::kTree},
    {kUser, "ENVIRONMENT", Reach::kTree},
    {kUser, "VOLATILE ENVIRONMENT", Reach::kTree},
    {kUser, "KEYBOARD LAYOUT", Reach::kTree},
    {kUser, "CONSOLE", Reach::kTree},
    {kUser, "CONSOLE\\<any>", Reach::kProductTree},
    {kUser, "CONSOLE\\%SYSTEMROOT%_SYSTEM32_CMD.EXE", Reach::kTree},
    {kUser, "CONSOLE\\%SYSTEMROOT%_SYSTEM32_WINDOWSPOWERSHELL_V1.0_POWERSHELL.EXE", Reach::kTree},
    {kUser, "NETWORK", Reach::kTree},
    {kUser, "PRINTERS", Reach::kTree},
    {kUser, "EUDC", Reach::kTree},
    {kUser, "APPEVENTS", Reach::kTree},
    {kUser, "APPEVENTS\\EVENTLABELS\\<any>", Reach::kProductTree},
    {kUser, "APPEVENTS\\EVENTLABELS\\<label>", Reach::kTree},
    {kUser, "APPEVENTS\\SCHEMES\\APPS\\<any>", Reach::kProductTree},
    {kUser, "APPEVENTS\\SCHEMES\\APPS\\.DEFAULT", Reach::kTree},
    {kUser, "APPEVENTS\\SCHEMES\\APPS\\EXPLORER", Reach::kTree},
};

template <std::size_t N>
constexpr FamilyRules Of(Reason family, const Rule (&rules)[N]) {
  return {family, rules, N};
}

// In this order: of two rules that cover a key equally closely, the earlier decides.
constexpr FamilyRules kFamilies[] = {
    Of(Reason::kClassContainers, kClassContainers),
    Of(Reason::kSharedClasses, kSharedClasses),
    Of(Reason::kProductFolders, kProductFolders),
    Of(Reason::kMicrosoft, kMicrosoft),
    Of(Reason::kPolicies, kPolicies),
    Of(Reason::kSharedLists, kSharedLists),
    Of(Reason::kSystem, kSystem),
    Of(Reason::kUserSettings, kUserSettings),
};

}  // namespace

RuleTable Rules() { return {kFamilies, std::size(kFamilies)}; }

std::size_t SetMemberLength(std::string_view placeholder, const std::vector<std::string>& names, std::size_t at) {
  if (at >= names.size()) return 0;
  const std::string& name = names[at];
  if (placeholder == "<any>") return 1;
  if (placeholder == "<shared>") return SharedClassLength(names, at);
  if (placeholder == "<type>") return IsIn(kWindowsTypes, name) ? 1 : 0;
  if (placeholder == "<verb>") return IsIn(kWindowsVerbs, name) ? 1 : 0;
  if (placeholder == "<controlset>") return IsControlSet(name) ? 1 : 0;
  if (placeholder == "<service>") return IsIn(kWindowsServices, name) ? 1 : 0;
  if (placeholder == "<log>") return IsIn(kWindowsLogs, name) ? 1 : 0;
  if (placeholder == "<label>") return IsIn(kWindowsLabels, name) ? 1 : 0;
  return 0;
}

}  // namespace qv::protection
