# The maker, product and version every program's version record shows, kept
# in one generated header (ProductInfo.h) that the resource scripts include.
# The version is the project's; the maker is named once, here, and matches the
# notice line of the about box.
set(TARROW_COMPANY_NAME "Tarrow 开发组")
set(TARROW_LEGAL_COPYRIGHT "版权所有 (C) 2026 ${TARROW_COMPANY_NAME}")

set(TARROW_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
string(REPLACE "." "," TARROW_VERSION_NUMBERS "${PROJECT_VERSION}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductInfo.h.in ${TARROW_GENERATED_DIR}/ProductInfo.h @ONLY)
include_directories(${TARROW_GENERATED_DIR})

# Gives a tool of the product a version record of its own: its file name and
# description, with the maker, product and version of ProductInfo.h.
function(tarrow_version_resource target description)
  set(TOOL_FILE_NAME "${target}.exe")
  set(TOOL_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ToolVersion.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
