# The host emulator's sources, listed once for both builds: the shared ones, and the folder of
# the one platform the build is for (native/ or win32/, each implementing host/system/).
set(KRONILOG_HOST_SHARED_SOURCES
  dates/calendar.cpp dates/clock.cpp dates/date_services.cpp
  files/base64.cpp files/files.cpp files/temporaries.cpp
  forms/form_render.cpp forms/form_template.cpp forms/menus.cpp forms/run_form.cpp
  mail/mail_header.cpp mail/mail_service.cpp mail/outbox.cpp mail/smtp.cpp
  memory/memory.cpp
  messages/message_services.cpp messages/render.cpp
  program/cash_registers.cpp program/instance_number.cpp program/program_info.cpp
  program/program_state.cpp program/stubs.cpp
  session/journal.cpp session/outcome.cpp session/plugin_session.cpp session/session_options.cpp
  session/terminal.cpp
  settings/ini_document.cpp settings/known_settings.cpp settings/settings_file.cpp
  settings/settings_service.cpp
  shop/csv_reader.cpp shop/shop_checks.cpp shop/shop_loader.cpp
  tables/scans.cpp tables/table_store.cpp tables/tables.cpp
  texts/codepages.cpp texts/conversion.cpp texts/text_services.cpp)
set(KRONILOG_HOST_PLATFORM_SOURCES
  base64.cpp file_commit.cpp file_lock.cpp file_open.cpp instance_lock.cpp loader.cpp module_registration.cpp
  platform_handlers.cpp process.cpp smtp_delivery.cpp)
# Win32 only: WARNIK.dll's export table, the waits for files another process holds, and
# warnik's entry in it (warnik_main.cpp is the launcher, built apart).
set(KRONILOG_HOST_WIN32_EXTRA_SOURCES exports.cpp held_files.cpp warnik_entry.cpp)

# The full paths for one platform folder ("native" or "win32") into the variable named out.
function(kronilog_host_sources out platform)
  set(list "")
  foreach(source ${KRONILOG_HOST_SHARED_SOURCES})
    list(APPEND list ${PROJECT_SOURCE_DIR}/host/${source})
  endforeach()
  foreach(source ${KRONILOG_HOST_PLATFORM_SOURCES})
    list(APPEND list ${PROJECT_SOURCE_DIR}/host/${platform}/${source})
  endforeach()
  if(platform STREQUAL "win32")
    foreach(source ${KRONILOG_HOST_WIN32_EXTRA_SOURCES})
      list(APPEND list ${PROJECT_SOURCE_DIR}/host/win32/${source})
    endforeach()
  endif()
  set(${out} ${list} PARENT_SCOPE)
endfunction()
