# The browser build's assets and link options, included by the top
# CMakeLists.txt under emcmake.
# QORBT_HOST_ASSETS: a native build's assets/ folder (song.xm, figure/,
# lettering.bin), made by scripts/build_web.sh.
set(QORBT_HOST_ASSETS "" CACHE PATH "assets folder of a native build")
if(NOT EXISTS "${QORBT_HOST_ASSETS}/song.xm" OR NOT EXISTS "${QORBT_HOST_ASSETS}/lettering.bin")
  message(FATAL_ERROR "QORBT_HOST_ASSETS must name a native build's assets folder (scripts/build_web.sh makes it)")
endif()
qorbt_add_resource(102 ${QORBT_HOST_ASSETS}/song.xm)
qorbt_add_resource(103 ${QORBT_HOST_ASSETS}/figure/figure_skin.bin)
qorbt_add_resource(105 ${QORBT_HOST_ASSETS}/figure/figure_pose0.bin)
qorbt_add_resource(104 ${QORBT_HOST_ASSETS}/figure/figure_pose1.bin)
qorbt_add_resource(106 ${QORBT_HOST_ASSETS}/figure/figure_pose2.bin)
qorbt_add_resource(107 ${QORBT_HOST_ASSETS}/figure/figure_pose3.bin)
qorbt_add_resource(108 ${QORBT_HOST_ASSETS}/figure/figure_pose4.bin)
qorbt_add_resource(910 ${QORBT_HOST_ASSETS}/lettering.bin)
# main() runs when the page calls it (after the start click, or at once in
# the test modes), with Asyncify so the show's own frame loop can hand the
# browser each frame.
function(qorbt_web_link_options target)
  target_link_options(${target} PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
    -sINVOKE_RUN=0 -sEXIT_RUNTIME=0 -sENVIRONMENT=web
    -sEXPORTED_RUNTIME_METHODS=callMain
    -sMODULARIZE=0 -sFILESYSTEM=0)
endfunction()
