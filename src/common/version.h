/* The program's version and the names it carries: read by the program (the version box) and by
   the resource script (the version record), so both hold the same values. Plain C macros, since
   the resource compiler's preprocessor reads this file too. Written in UTF-8: the program's
   build turns string literals into code page 932, the resource compiler reads them as UTF-8
   (--codepage=65001) and stores them as UTF-16, which Windows gives back in code page 932. */
#ifndef QV_VERSION_H
#define QV_VERSION_H

#define QV_VERSION_MAJOR 2
#define QV_VERSION_MINOR 0
#define QV_VERSION_RELEASE 9
#define QV_VERSION_BUILD 0

#define QV_STRINGIZE_(x) #x
#define QV_STRINGIZE(x) QV_STRINGIZE_(x)

/* "2.0.9.0" */
#define QV_FILE_VERSION_TEXT     \
  QV_STRINGIZE(QV_VERSION_MAJOR) \
  "." QV_STRINGIZE(QV_VERSION_MINOR) "." QV_STRINGIZE(QV_VERSION_RELEASE) "." QV_STRINGIZE(QV_VERSION_BUILD)
/* "2.09": the minor and release numbers written as two digits. */
#define QV_PRODUCT_VERSION_TEXT \
  QV_STRINGIZE(QV_VERSION_MAJOR) "." QV_STRINGIZE(QV_VERSION_MINOR) QV_STRINGIZE(QV_VERSION_RELEASE)

#define QV_COMPANY_NAME "Quorvel Software"
#define QV_FILE_DESCRIPTION "アンインストーラー"
#define QV_INTERNAL_NAME "QvUninst"
#define QV_ORIGINAL_FILENAME "QvUninst.exe"
#define QV_PRODUCT_NAME "Quorvel Uninstaller"
#define QV_COMMENTS \
  "このアプリケーションは制作者の作った全てのアプリケーション共通のアンインストーラーです。削除しないで下さい。"

/* The author: the team, shown in the version box and stored in the version record. */
#define QV_AUTHOR "Quorvel Software 開発チーム"

/* The compiler that built the program, as it names itself. The resource script is preprocessed
   by the same compiler (see res/CMakeLists.txt), so the record and the box name the same one. */
#if defined(__clang__)
#define QV_COMPILER "Clang " __clang_version__
#elif defined(__MINGW32__)
#define QV_COMPILER "MinGW-w64 GCC " __VERSION__
#elif defined(__GNUC__)
#define QV_COMPILER "GCC " __VERSION__
#else
#define QV_COMPILER "C++"
#endif
#define QV_CREDITS "開発ツール：" QV_COMPILER

#endif /* QV_VERSION_H */
