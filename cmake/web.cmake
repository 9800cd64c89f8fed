# The browser build, included by the top CMakeLists.txt under emcmake.
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
qorbt_resource_library(qorbt_assets)

qorbt_library(qorbt_platform platform)
target_link_libraries(qorbt_platform PUBLIC qorbt_assets)
qorbt_library(qorbt_maths maths)
qorbt_library(qorbt_image2d image2d)
target_link_libraries(qorbt_image2d PUBLIC qorbt_platform qorbt_maths)
qorbt_library(qorbt_render3d render3d)
target_link_libraries(qorbt_render3d PUBLIC qorbt_image2d)
qorbt_library(qorbt_music music)
target_link_libraries(qorbt_music PUBLIC qorbt_platform qorbt_maths)
qorbt_library(qorbt_scenes scenes)
target_link_libraries(qorbt_scenes PUBLIC qorbt_render3d qorbt_image2d qorbt_platform)
qorbt_library(qorbt_app app)
target_link_libraries(qorbt_app PUBLIC qorbt_scenes qorbt_music qorbt_platform)

add_executable(qorbt app/main.cpp)
target_link_libraries(qorbt PRIVATE qorbt_app)
# main() runs when the page calls it (after the start click, or at once in
# the test modes), with Asyncify so the show's own frame loop can hand the
# browser each frame.
target_link_options(qorbt PRIVATE
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  -sINVOKE_RUN=0 -sEXIT_RUNTIME=0 -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=callMain
  -sMODULARIZE=0 -sFILESYSTEM=0)
