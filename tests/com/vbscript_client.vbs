' A peer client of the server, in VBScript as a script host would write it:
' creates "Kestrel9.clsMapServ", initialises it with its own callback object and
' form, reads and sets properties, saves and loads favourites. The exit code is
' 0 when every check holds, else the number of the first check that failed.
Option Explicit

Dim informed
informed = 0

Class Callback
  Public Sub SignalSuspend(blnSuspend)
  End Sub
  Public Sub SignalSpecialRedraw(strTitle)
  End Sub
  Public Sub SignalInformation(dblWest, dblEast, dblNorth, dblSouth, strTitle)
    informed = informed + 1
  End Sub
  Public Sub SignalCallsignData(strCallsign, strResult)
  End Sub
End Class

Class MenuEntry
  Public Visible
  Public Enabled
End Class

Class MenuArray
  Private entries
  Private Sub Class_Initialize()
    Dim i
    ReDim entries(3)
    For i = 0 To 3
      Set entries(i) = New MenuEntry
    Next
  End Sub
  Public Default Function Item(index)
    Set Item = entries(index)
  End Function
End Class

Class HostForm
  Public mnuMapSpecialOptions
  Public hWnd
  Private Sub Class_Initialize()
    Set mnuMapSpecialOptions = New MenuArray
    hWnd = 0
  End Sub
End Class

Sub Check(number, condition, what)
  If Not condition Then
    WScript.Echo "check " & number & " failed: " & what
    WScript.Quit number
  End If
End Sub

Dim server, events, form
Set server = CreateObject("Kestrel9.clsMapServ")
Set events = New Callback
Set form = New HostForm

server.Initialize "N0CALL", events, form
Check 1, server.blnControlOk, "blnControlOk after Initialize"

server.strOvlFile = "Roads.OVR"
Check 2, server.strOvlFile = "Roads.OVR", "strOvlFile round trip"
server.blnHighContrastRds = True
Check 3, server.blnHighContrastRds = True, "blnHighContrastRds round trip"

Dim pan, zin, zout, zall, panel, helpFile, topic, shortName, captions
server.GetSupportedFeatures pan, zin, zout, zall, panel, helpFile, topic, shortName, captions
Check 4, shortName = "Kestrel9", "short name from GetSupportedFeatures"
Check 5, captions(0) = "Search", "first special option caption"

server.SaveFavouriteViews Array("First view", "Second view")
Dim favourites
server.LoadFavouriteViews favourites
Check 6, UBound(favourites) = 1, "two favourites loaded"
Check 7, favourites(1) = "Second view", "favourites in order"

Dim failed
On Error Resume Next
server.strOvlFile = Array(1, 2)
failed = Err.Number
On Error GoTo 0
Check 8, failed <> 0, "an array where text is expected fails the call"

Set server = Nothing
WScript.Echo "VBScript client: all checks passed"
WScript.Quit 0
