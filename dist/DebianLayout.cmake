# Run by CPack on the staged files before it makes the .deb: Debian's zsh reads the
# completions of packages from vendor-completions, not from site-functions, which it
# keeps for the administrator's own under /usr/local.
file(GLOB_RECURSE zsh_completions
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/zsh/site-functions/_fetemark")
foreach(staged IN LISTS zsh_completions)
  get_filename_component(site_functions "${staged}" DIRECTORY)
  get_filename_component(zsh_share "${site_functions}" DIRECTORY)
  file(MAKE_DIRECTORY "${zsh_share}/vendor-completions")
  file(RENAME "${staged}" "${zsh_share}/vendor-completions/_fetemark")
  file(GLOB left "${site_functions}/*")
  if(NOT left)
    file(REMOVE_RECURSE "${site_functions}")
  endif()
endforeach()
