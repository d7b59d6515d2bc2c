; Maps in Explorer's "Open with": a ProgID of the editor's own under the
; current user's classes, named in .map's OpenWithProgids. .map's default
; program stays whatever it was. The uninstaller takes away our ProgID and
; our one value, then .map's keys only when that left them with no value and
; no subkey. (DeleteRegKey /ifempty looks at subkeys only, and so does Wine's
; SHDeleteEmptyKey: either would take another program's default with it.)
; Included by the installer script CPack writes (package.cmake).

!include LogicLib.nsh

!define VORN_CLASSES "Software\Classes"
!define VORN_PROGID "VornGroundEditor.Map"

!macro VornAssociationsChanged
  System::Call "shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)"
!macroend

!macro VornRegisterMapType
  WriteRegStr HKCU "${VORN_CLASSES}\${VORN_PROGID}" "" "VornGroundEditor map"
  WriteRegStr HKCU "${VORN_CLASSES}\${VORN_PROGID}\DefaultIcon" "" "$INSTDIR\VornGroundEditor.exe,0"
  WriteRegStr HKCU "${VORN_CLASSES}\${VORN_PROGID}\shell\open\command" "" '"$INSTDIR\VornGroundEditor.exe" "%1"'
  WriteRegStr HKCU "${VORN_CLASSES}\.map\OpenWithProgids" "${VORN_PROGID}" ""
  !insertmacro VornAssociationsChanged
!macroend

; Deletes HKCU\KEY when it holds no value (the default one included) and no subkey.
!macro VornDeleteKeyIfEmpty KEY
  Push $0
  ClearErrors
  EnumRegValue $0 HKCU "${KEY}" 0
  ${If} ${Errors}
    EnumRegKey $0 HKCU "${KEY}" 0
    ${If} $0 == ""
      DeleteRegKey HKCU "${KEY}"
    ${EndIf}
  ${EndIf}
  Pop $0
!macroend

!macro VornUnregisterMapType
  DeleteRegKey HKCU "${VORN_CLASSES}\${VORN_PROGID}"
  DeleteRegValue HKCU "${VORN_CLASSES}\.map\OpenWithProgids" "${VORN_PROGID}"
  !insertmacro VornDeleteKeyIfEmpty "${VORN_CLASSES}\.map\OpenWithProgids"
  !insertmacro VornDeleteKeyIfEmpty "${VORN_CLASSES}\.map"
  !insertmacro VornAssociationsChanged
!macroend
