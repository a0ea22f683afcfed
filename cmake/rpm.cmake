# The RPM, for monitoring hosts of the Red Hat family (RHEL, Rocky, Alma 8 and later): what it
# installs, where EL's engines look, and how cpack packs it. Included by cmake/packaging.cmake
# when JOBVIGIL_RPM is on; its programs are linked static (cmake/compile_options.cmake), so that
# one package runs on EL 8's glibc 2.28 though it is built on a newer one.
#
# The check and jobvigil-success are files of EPEL's plugin directory, where Icinga 2's PluginDir
# and Nagios' $USER1$ point on EL: SELinux's policy labels what is there for the engines to run,
# which a link to elsewhere would not be. Their names in /usr/bin are links to them.

# EL's own library directory, which Debian's GNUInstallDirs would not give.
set(plugins lib64/nagios/plugins)
install(TARGETS jobvigil jobvigil_success RUNTIME DESTINATION ${plugins})
install(TARGETS jobvigil_jobs jobvigil_sample RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(CREATE_LINK jobvigil \"\${root}/${plugins}/check_backupexec_job\" SYMBOLIC)
  file(CREATE_LINK jobvigil-success \"\${root}/${plugins}/check_backupexec_success\" SYMBOLIC)
  foreach(program jobvigil jobvigil-success)
    file(CREATE_LINK ../${plugins}/\${program} \"\${root}/${CMAKE_INSTALL_BINDIR}/\${program}\"
         SYMBOLIC)
  endforeach()")

install(FILES ${package}/man/jobvigil.1.gz ${package}/man/jobvigil-jobs.1.gz
              ${package}/man/jobvigil-success.1.gz ${package}/man/jobvigil-sample.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${jobvigil_documents} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(FILES ${jobvigil_examples} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/licenses/jobvigil)

# Icinga 2 includes every file of plugins-contrib.d on EL as on Debian; EPEL's Nagios reads every
# file of /etc/nagios/conf.d, and the Zabbix agent of Zabbix's own EL packages every file of
# /etc/zabbix/zabbix_agentd.d.
jobvigil_install_definitions(nagios/conf.d zabbix/zabbix_agentd.d)

set(CPACK_GENERATOR RPM)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_ARCHITECTURE x86_64)
# Its files go where EL's engines look, and nowhere else.
set(CPACK_PACKAGE_RELOCATABLE OFF)
set(CPACK_RPM_PACKAGE_SUMMARY "Monitoring check for the last run of a BackupExec job")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${jobvigil_description}")
set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_SOURCE_DIR}/packaging/rpm-changelog)
# The engines' directories belong to their own packages; this one owns only its files in them.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /etc/nagios /etc/nagios/conf.d /etc/zabbix /etc/zabbix/zabbix_agentd.d
    /usr/lib64/nagios /usr/lib64/nagios/plugins /usr/share/icinga2 /usr/share/icinga2/include
    /usr/share/icinga2/include/plugins-contrib.d /usr/share/licenses /usr/share/man
    /usr/share/man/man1)
# An administrator's changes to the engines' files stay when the package is upgraded.
set(CPACK_RPM_USER_FILELIST
    "%config(noreplace) /etc/nagios/conf.d/jobvigil.cfg"
    "%config(noreplace) /etc/zabbix/zabbix_agentd.d/jobvigil.conf"
    "%license /usr/share/licenses/jobvigil/LICENSE")
# Static programs have no debug package to split off, nor build-id links to share with one. The
# man pages come compressed: Debian's rpmbuild would compress them with a script written for
# bash under its /bin/sh, dash.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define debug_package %{nil}
%define _build_id_links none
%define __brp_compress %{nil}")
# Its packager is its builder, as the .deb's maintainer is (JOBVIGIL_PACKAGE_MAINTAINER).
if(JOBVIGIL_PACKAGE_MAINTAINER)
  string(APPEND CPACK_RPM_SPEC_MORE_DEFINE "\n%define packager ${JOBVIGIL_PACKAGE_MAINTAINER}")
endif()
