# Installing and packaging: the programs, their man pages, the licence and documents, and the
# files that monitoring engines load. cpack makes a .deb on Linux (an RPM with JOBVIGIL_RPM,
# cmake/rpm.cmake) and a .zip of the Windows build. Included by the root CMakeLists.txt.

# The .deb names whoever builds it as its maintainer, taken as Debian's own tools take it: from
# DEBFULLNAME and DEBEMAIL, unless JOBVIGIL_PACKAGE_MAINTAINER says otherwise.
set(maintainer "")
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
endif()
set(JOBVIGIL_PACKAGE_MAINTAINER "${maintainer}"
    CACHE STRING "The .deb's maintainer, \"Name <address>\"; from DEBFULLNAME and DEBEMAIL")

# The documents the README points to, shipped beside it.
set(jobvigil_documents docs/installing.md docs/logs.md docs/monitoring.md)
set(jobvigil_engine_files monitoring/jobvigil-icinga2.conf monitoring/jobvigil-icinga2-windows.conf
                          monitoring/jobvigil-nagios.cfg monitoring/jobvigil-prometheus-rules.yml
                          monitoring/jobvigil-zabbix-agent.conf
                          monitoring/jobvigil-zabbix-agent-windows.conf
                          monitoring/jobvigil-zabbix-template.yaml monitoring/nsclient.ini
                          monitoring/jobvigil.state.ovl monitoring/jobvigil-grafana-dashboard.json)

set(jobvigil_description
    "jobvigil reads the XML job logs that BackupExec writes, finds the most
recent log of one job and answers with one line and an exit code, as
Nagios, Icinga and NSClient++ expect of a check: OK, warning or critical
by the job's completion status and the log's age. It ships command
definitions that Icinga 2 and Nagios load, jobvigil-jobs, which lists
every job of a log directory with the check's answer for it, as a table
or as JSON for monitoring systems to discover, jobvigil-success, which
checks how long ago a job last succeeded, and jobvigil-sample, which
writes sample logs for trying the check.")

# The definitions a Linux package ships as examples, for other machines: the Windows agent's
# Icinga 2 command goes on the master, which is the package's host, the alerting rules and the
# dashboard on the Prometheus and Grafana servers, often it too, and PRTG's lookup on its core
# server, which runs Windows.
set(jobvigil_examples monitoring/nsclient.ini monitoring/jobvigil-zabbix-template.yaml
                      monitoring/jobvigil-icinga2-windows.conf
                      monitoring/jobvigil-prometheus-rules.yml monitoring/jobvigil.state.ovl
                      monitoring/jobvigil-grafana-dashboard.json)

# The definitions the engines load, where they read them: Icinga 2's in its plugins-contrib.d,
# the Nagios command and the Zabbix agent's item in the folders given of the configuration
# directory. The prefix is the one in force when installing (the packages' is /usr), and the
# configuration goes to /etc for /usr, as GNUInstallDirs has it.
function(jobvigil_install_definitions nagios zabbix)
  install(FILES monitoring/jobvigil-icinga2.conf
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icinga2/include/plugins-contrib.d
          RENAME jobvigil.conf)
  install(CODE "
    set(etc \"\${CMAKE_INSTALL_PREFIX}/etc\")
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(etc /etc)
    endif()
    file(INSTALL \"${PROJECT_SOURCE_DIR}/monitoring/jobvigil-nagios.cfg\"
         DESTINATION \"\${etc}/${nagios}\" RENAME jobvigil.cfg)
    file(INSTALL \"${PROJECT_SOURCE_DIR}/monitoring/jobvigil-zabbix-agent.conf\"
         DESTINATION \"\${etc}/${zabbix}\" RENAME jobvigil.conf)")
endfunction()

set(package ${PROJECT_BINARY_DIR}/package)
if(NOT WIN32)
  # Man pages, the changelog and documents over 4 KiB are installed compressed, in the .deb and
  # the RPM alike.
  set(compressed)
  configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
  foreach(file man/jobvigil.1 man/jobvigil-jobs.1 man/jobvigil-success.1 man/jobvigil-sample.1
               ${PROJECT_BINARY_DIR}/package/changelog
               README.md ${jobvigil_documents})
    set(name ${file})
    if(IS_ABSOLUTE ${file})
      get_filename_component(name ${file} NAME)
    endif()
    set(output ${PROJECT_BINARY_DIR}/package/${name}.gz)
    get_filename_component(folder ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
                       COMMAND gzip -9 -n -c ${file} > ${output}
                       WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       DEPENDS ${file})
    list(APPEND compressed ${output})
  endforeach()
  add_custom_target(package_documents ALL DEPENDS ${compressed})
endif()

if(WIN32)
  # The .zip: programs and documents side by side, as administrators copy them.
  install(TARGETS jobvigil jobvigil_jobs jobvigil_success jobvigil_sample RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  install(FILES ${jobvigil_documents} DESTINATION docs)
  install(FILES ${jobvigil_engine_files} DESTINATION monitoring)
elseif(JOBVIGIL_RPM)
  include(cmake/rpm.cmake)
else()
  install(TARGETS jobvigil jobvigil_jobs jobvigil_success jobvigil_sample
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # A stripped install (the .deb's) also loses the .comment and .note sections, as Debian's own
  # packages do.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program jobvigil jobvigil-jobs jobvigil-success jobvigil-sample)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endforeach()
    endif()")


  # The copyright file in Debian's machine-readable form, its licence text taken from LICENSE:
  # each line indented by one blank, empty lines written as ".".
  file(READ LICENSE licence)
  string(REGEX REPLACE "^MIT License\n\nCopyright[^\n]*\n\n" "" terms "${licence}")
  string(STRIP "${terms}" terms)
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " JOBVIGIL_LICENSE_TERMS " ${terms}")
  configure_file(packaging/copyright.in ${PROJECT_BINARY_DIR}/package/copyright @ONLY)

  install(FILES ${package}/man/jobvigil.1.gz ${package}/man/jobvigil-jobs.1.gz
                ${package}/man/jobvigil-success.1.gz ${package}/man/jobvigil-sample.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${package}/copyright ${package}/changelog.gz ${package}/README.md.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  list(TRANSFORM jobvigil_documents PREPEND ${package}/ OUTPUT_VARIABLE documents)
  list(TRANSFORM documents APPEND .gz)
  install(FILES ${documents} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
  install(FILES ${jobvigil_examples} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

  # Where Debian's monitoring engines look: Icinga 2 includes every file of plugins-contrib.d,
  # Nagios every file of /etc/nagios-plugins/config, the Zabbix agent every file of
  # /etc/zabbix/zabbix_agentd.conf.d, and both engines find checks in /usr/lib/nagios/plugins.
  jobvigil_install_definitions(nagios-plugins/config zabbix/zabbix_agentd.conf.d)
  install(CODE "
    set(plugins \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/nagios/plugins\")
    file(MAKE_DIRECTORY \"\${plugins}\")
    file(CREATE_LINK ../../../${CMAKE_INSTALL_BINDIR}/jobvigil \"\${plugins}/check_backupexec_job\"
         SYMBOLIC)
    file(CREATE_LINK ../../../${CMAKE_INSTALL_BINDIR}/jobvigil-success
         \"\${plugins}/check_backupexec_success\" SYMBOLIC)")
  file(WRITE ${package}/conffiles
       "/etc/nagios-plugins/config/jobvigil.cfg\n/etc/zabbix/zabbix_agentd.conf.d/jobvigil.conf\n")
endif()

set(CPACK_PACKAGE_NAME jobvigil)
set(CPACK_PACKAGE_VENDOR "jobvigil")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitoring check for the last run of a BackupExec job")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME jobvigil-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(NOT JOBVIGIL_RPM)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${JOBVIGIL_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${package}/conffiles)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${jobvigil_description}")
endif()
include(CPack)
