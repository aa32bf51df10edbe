# Qt's headers are most of what a compile here parses: they are parsed once into a precompiled header that
# the project's targets reuse (kpv_precompile_qt). GCC and clang take a precompiled header only where it was
# made with the same settings: libraries are position-independent code and executables position-independent
# executables, so each kind has its own; and every macro defined where one is made must be defined where
# it is used, so they are made with Qt's include folders but none of the QT_<module>_LIB definitions
# except QtCore's, which every target here has (these headers test none of them; QtTest's do, and stay
# out).
set(KPV_QT_PRECOMPILED_HEADERS
  <QByteArray> <QCoreApplication> <QDate> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash>
  <QList> <QObject> <QPointer> <QProcess> <QRegularExpression> <QSettings> <QString> <QStringList>
  <QTemporaryDir> <QThread> <QVariant>
  <QAction> <QApplication> <QDialog> <QFont> <QHeaderView> <QKeyEvent> <QLabel> <QLineEdit> <QMdiArea>
  <QMdiSubWindow> <QMenu> <QPainter> <QTableView> <QWidget>
  <QSqlDatabase> <QSqlError> <QSqlQuery>
)

function(kpv_make_qt_precompiled_header target)
  target_link_libraries(${target} PRIVATE Qt6::Core)
  foreach(module Gui Widgets Sql)
    target_include_directories(${target} SYSTEM PRIVATE $<TARGET_PROPERTY:Qt6::${module},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
  target_precompile_headers(${target} PRIVATE ${KPV_QT_PRECOMPILED_HEADERS} ${ARGN})
  set_target_properties(${target} PROPERTIES AUTOMOC OFF)
endfunction()

file(WRITE ${CMAKE_BINARY_DIR}/kpv_qt_pch/library.cpp "// Holds the libraries' precompiled Qt headers.\n")
file(WRITE ${CMAKE_BINARY_DIR}/kpv_qt_pch/program.cpp "// Holds the programs' precompiled Qt headers.\nint main() { return 0; }\n")
add_library(kpv_qt_pch_library STATIC ${CMAKE_BINARY_DIR}/kpv_qt_pch/library.cpp)
add_executable(kpv_qt_pch_program ${CMAKE_BINARY_DIR}/kpv_qt_pch/program.cpp)
kpv_make_qt_precompiled_header(kpv_qt_pch_library)
kpv_make_qt_precompiled_header(kpv_qt_pch_program)
# The tests' own: <QtTest> brings the whole of QtCore, which no other file includes. <QtTest> itself stays
# out: it reads each test's own folders from macros.
if(KPV_TESTS)
  add_executable(kpv_qt_pch_test ${CMAKE_BINARY_DIR}/kpv_qt_pch/program.cpp)
  kpv_make_qt_precompiled_header(kpv_qt_pch_test <QtCore>)
endif()

# kpv_precompile_qt(target ...): the targets compile with the precompiled Qt headers of their kind.
function(kpv_precompile_qt)
  foreach(target ${ARGN})
    get_target_property(type ${target} TYPE)
    get_target_property(test ${target} KPV_TEST)
    if(test)
      target_precompile_headers(${target} REUSE_FROM kpv_qt_pch_test)
    elseif(type STREQUAL "EXECUTABLE")
      target_precompile_headers(${target} REUSE_FROM kpv_qt_pch_program)
    else()
      target_precompile_headers(${target} REUSE_FROM kpv_qt_pch_library)
    endif()
  endforeach()
endfunction()
