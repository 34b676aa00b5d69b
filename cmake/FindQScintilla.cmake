# Finds QScintilla 2 for Qt 5, which ships no CMake package on Debian: its header and library sit next to Qt's.
# Defines the imported target QScintilla::QScintilla.
get_target_property(_qt_core_includes Qt5::Core INTERFACE_INCLUDE_DIRECTORIES)
find_path(QScintilla_INCLUDE_DIR Qsci/qsciscintilla.h HINTS ${_qt_core_includes} PATH_SUFFIXES qt5)
find_library(QScintilla_LIBRARY NAMES qscintilla2_qt5 qscintilla2-qt5)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(QScintilla
    REQUIRED_VARS QScintilla_LIBRARY QScintilla_INCLUDE_DIR
    REASON_FAILURE_MESSAGE "install libqscintilla2-qt5-dev (./velmora.sh does it)")

if(QScintilla_FOUND AND NOT TARGET QScintilla::QScintilla)
    add_library(QScintilla::QScintilla UNKNOWN IMPORTED)
    set_target_properties(QScintilla::QScintilla PROPERTIES
        IMPORTED_LOCATION "${QScintilla_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${QScintilla_INCLUDE_DIR}"
        INTERFACE_LINK_LIBRARIES Qt5::Widgets)
endif()
mark_as_advanced(QScintilla_INCLUDE_DIR QScintilla_LIBRARY)
