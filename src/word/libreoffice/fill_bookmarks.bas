REM Fills a list of bookmarks of a Writer document from inside the office, so
REM that the whole list costs the tool one call instead of one per bookmark.
REM Every error is trapped and handed back: an untrapped one would leave the
REM caller with an empty answer, and in a shown office open a box that blocks
REM the call until somebody closes it.
Option Explicit

REM aNames holds the bookmarks' names as the document spells them, aTexts the
REM texts in the same order. bTypeAt: type at the bookmark, replacing what it
REM spans; otherwise put the text in front of it through a collapsed cursor of
REM the anchor's own text (the anchor's start would make Writer re-sort every
REM bookmark per insertion). Returns Array(how many were filled, the error's
REM text or "").
Function FillBookmarks(oDocument As Variant, aNames As Variant, aTexts As Variant, bTypeAt As Variant) As Variant
	Dim oBookmarks As Object, oAnchor As Object, oText As Object, oCursor As Object
	Dim nFilled As Long, i As Long, sError As String
	On Error GoTo Failed
	oBookmarks = oDocument.getBookmarks()
	For i = LBound(aNames) To UBound(aNames)
		oAnchor = oBookmarks.getByName(aNames(i)).getAnchor()
		oText = oAnchor.getText()
		oCursor = oText.createTextCursorByRange(oAnchor)
		If bTypeAt Then
			oCursor.setString(aTexts(i))
		Else
			oCursor.collapseToStart()
			oText.insertString(oCursor, aTexts(i), False)
		End If
		nFilled = nFilled + 1
	Next i
Finish:
	FillBookmarks = Array(nFilled, sError)
	Exit Function
Failed:
	REM Resumed rather than left, so that Basic lets go of the error.
	sError = Error$
	Resume Finish
End Function

