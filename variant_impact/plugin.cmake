# The variant_impact plug-in: every source under src/ except the TATA model (a library of its
# own) and the tests folders. Its host libraries are the ones below that exist as targets: to
# add one, add its name to NX_VARIANT_IMPACT_LIBS.
set(NX_VARIANT_IMPACT_LIBS NxCore NxFormats NxLang NxDesigner NxTest)

set(nx_vi_deps Qt5::Core Qt5::Gui Qt5::Xml Qt5::Script)
foreach(lib ${NX_VARIANT_IMPACT_LIBS} NxTataModel)
  if(TARGET ${lib})
    list(APPEND nx_vi_deps ${lib})
  endif()
endforeach()

nx_add_plugin(variant_impact ${CMAKE_CURRENT_SOURCE_DIR}/src
  EXCLUDE "/tata_box_analysis/model/"
  DEPS ${nx_vi_deps})

# Tests in variant_impact/tests link the plug-in's code (variant_impact_objects) and the host
# services that start it; they run after the plug-in library itself is built.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/tests LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)
  file(GLOB nx_vi_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*Test.cpp)
  foreach(t ${nx_vi_tests})
    get_filename_component(tname ${t} NAME_WE)
    add_dependencies(${tname} variant_impact)
  endforeach()
endif()

# Tests beside the SNP toolbox code (src/snp_toolbox/tests) link the same objects; the end-to-end
# test there also runs resource_probe with the built plug-in and the demo tools.
nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/src/snp_toolbox LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)

# Tests of the annotated VCF writer (src/annotated_vcf/tests).
nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/src/annotated_vcf LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)

# Tests of the shared element pattern (src/element_pattern/tests).
nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/src/element_pattern LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)

# Tests of the request base (src/tests) and of the TATA-box element (src/tata_box_analysis/tests);
# the model's own tests are added by its folder.
nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/src/tests LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)
nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/src/tata_box_analysis/tests LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)

# The console runs of the sample workflows need the programs and plug-ins they start; those are
# defined in later folders, so the dependencies are added at the end of the configure.
function(nx_vi_console_test_deps)
  foreach(test AnnotateWorkflowEndToEndTest TataWorkflowEndToEndTest ReportWorkflowEndToEndTest FullWorkflowEndToEndTest
                FastPathsEquivalenceTest SnpElementRunChecksTest DemoReadmeCommandsTest RequestFailuresConsoleTest
                AnnotatedVcfWorkflowTest)
    foreach(dep variant_impact resource_probe workflow_runner test_runner nolix-demo-data nolix-refdb nolix-report-summary)
      if(TARGET ${dep} AND TARGET ${test})
        add_dependencies(${test} ${dep})
      endif()
    endforeach()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL nx_vi_console_test_deps)
# The demo's full workflow runs inside it: more time than the other tests get.
if(TARGET DemoReadmeCommandsTest)
  set_tests_properties(DemoReadmeCommandsTest PROPERTIES TIMEOUT 600)
endif()

# The report writer's tests reuse the SNP toolbox's test databases.
if(TARGET SNPReportWriterTest)
  target_sources(SNPReportWriterTest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src/snp_toolbox/tests/SnpToolboxTestData.cpp)
endif()

# Tests of the five script elements (src/<element>/tests). They share the request tests' sandbox
# and the element test bed of src/rsnp_tools/tests (a reference with coding transcripts and a
# driven worker).
foreach(element rsnp_tools prot_stability_1d prot_stability_3d snp2pdb_site snp_chip_tools)
  nx_add_tests(${CMAKE_CURRENT_SOURCE_DIR}/src/${element}/tests LIBS variant_impact_objects ${nx_vi_deps} NxPrivate)
endforeach()
foreach(test RSnpToolsWorkerTest ProtStability1DWorkerTest ProtStability3DWorkerTest Snp2PdbSiteWorkerTest SnpChipToolsWorkerTest)
  if(TARGET ${test})
    target_sources(${test} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src/tests/RequestTestSupport.cpp)
    if(NOT test STREQUAL "RSnpToolsWorkerTest")
      target_sources(${test} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src/rsnp_tools/tests/ScriptElementTestBed.cpp)
    endif()
  endif()
endforeach()
