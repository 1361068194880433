# Checks the example prometheus.yml with promtool, which fails on a token file that does not
# exist: the copy checked names a made-up token file in WORK_DIR for each one the example
# names, and has the alert rules beside it as the example expects.
#   cmake -DPROMTOOL=... -DSOURCE_DIR=assets/monitoring -DWORK_DIR=... -P CheckPrometheusConfig.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/tokens)
file(READ ${SOURCE_DIR}/prometheus.yml config)

# Tokens belong in their files, never in the configuration, which is read by more people.
if(config MATCHES "(^|\n)[ \t]*(credentials|bearer_token|password)[ \t]*:")
  message(FATAL_ERROR "prometheus.yml holds a secret: use credentials_file")
endif()

# Each rig refuses a scrape without its token: every scrape job names a token file.
string(REGEX MATCHALL "job_name:" jobs "${config}")
string(REGEX MATCHALL "credentials_file:[ \t]*[\"']?[^ \t\n\"']+" named "${config}")
list(LENGTH jobs job_count)
list(LENGTH named named_count)
if(NOT job_count EQUAL named_count)
  message(FATAL_ERROR "prometheus.yml has ${job_count} scrape jobs but ${named_count} token files")
endif()
foreach(entry ${named})
  string(REGEX REPLACE "credentials_file:[ \t]*[\"']?" "" path "${entry}")
  get_filename_component(name ${path} NAME)
  file(WRITE ${WORK_DIR}/tokens/${name} "made-up-token-for-the-check\n")
  string(REPLACE "${path}" "${WORK_DIR}/tokens/${name}" config "${config}")
endforeach()
file(WRITE ${WORK_DIR}/prometheus.yml "${config}")
file(COPY ${SOURCE_DIR}/tessaly-alerts.yml DESTINATION ${WORK_DIR})

execute_process(COMMAND ${PROMTOOL} check config ${WORK_DIR}/prometheus.yml
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "promtool check config failed (${result})")
endif()
