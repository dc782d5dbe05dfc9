# Compiler settings shared by every target of the project.
add_library(vantrel_common INTERFACE)
target_compile_features(vantrel_common INTERFACE cxx_std_17)
target_compile_options(vantrel_common INTERFACE -Wall -Wextra -pedantic)
target_compile_definitions(vantrel_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS
    VANTREL_VERSION="${PROJECT_VERSION}")
