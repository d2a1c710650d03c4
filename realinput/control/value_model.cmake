# The control's value model and locale profile, kept apart from the widget so that the
# control library and the tests link the same pure code.
add_library(zqvaluemodel STATIC
  ${CMAKE_CURRENT_LIST_DIR}/intl_profile.cpp ${CMAKE_CURRENT_LIST_DIR}/intl_profile.h
  ${CMAKE_CURRENT_LIST_DIR}/value_model.cpp ${CMAKE_CURRENT_LIST_DIR}/value_model.h
)
set_target_properties(zqvaluemodel PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(zqvaluemodel PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(zqvaluemodel PUBLIC Qt6::Core)
